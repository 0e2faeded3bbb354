// Registry of named work queues, created at start-up and torn down at shutdown.
#pragma once
#include "dispatch/DispatchQueue.h"

#include <deque>
#include <map>
#include <string>

class DispatchManager {
public:
    ~DispatchManager();

    bool init() { return true; }
    // Kind 0 is a serial queue; it is started at once. False for an unknown kind
    // or a name already in use.
    bool createQueue(const std::string& name, int kind);
    DispatchQueue* getQueue(const std::string& name) const;
    // Stops and destroys every queue in name order. Safe to call more than once.
    void shutdown();

private:
    std::deque<DispatchTask*> pending;  // nothing fills it; emptied at shutdown
    std::map<std::string, DispatchQueue*> queues;
};

// Queue registry. The destructor stops what is still running so that a failed
// start-up never leaves a joinable worker behind.
#include "dispatch/DispatchManager.h"

DispatchManager::~DispatchManager() { shutdown(); }

bool DispatchManager::createQueue(const std::string& name, int kind) {
    if (kind != 0 || queues.count(name)) return false;
    DispatchQueue* queue = new SerialDispatchQueue();
    queue->start();
    queues[name] = queue;
    return true;
}

DispatchQueue* DispatchManager::getQueue(const std::string& name) const {
    auto it = queues.find(name);
    return it == queues.end() ? nullptr : it->second;
}

void DispatchManager::shutdown() {
    for (DispatchTask* task : pending) delete task;
    pending.clear();
    for (auto& entry : queues) {
        entry.second->stop();
        delete entry.second;
    }
    queues.clear();
}

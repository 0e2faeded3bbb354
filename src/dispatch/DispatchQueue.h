// Named background work queues. A serial queue runs its tasks one after another
// on one worker thread; the worker sleeps on a condition variable while the
// queue is empty, so an idle queue costs no processor time.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class DispatchTask {
public:
    virtual ~DispatchTask() = default;
    virtual void run() = 0;
};

class DispatchQueue {
public:
    virtual ~DispatchQueue();
    virtual void start() {}
    virtual void stop() {}
    // Takes ownership of `task`. Tasks still queued when the queue is destroyed are not run.
    virtual void addTask(DispatchTask* task);

protected:
    // Removes and returns the oldest task, or null. The lock is not held while a task runs.
    DispatchTask* takeTask();

    std::mutex queueLock;  // guards tasks and, in a serial queue, stopRequested
    std::deque<DispatchTask*> tasks;
};

class SerialDispatchQueue : public DispatchQueue {
public:
    ~SerialDispatchQueue() override;
    // Starting a queue whose worker is still joinable is a program error.
    void start() override;
    // Waits for the task in progress, then joins the worker. Throws the standard
    // thread errors when no worker runs or when called from the worker.
    void stop() override;
    void addTask(DispatchTask* task) override;

private:
    void workerLoop();

    bool stopRequested = false;
    std::condition_variable wake;
    std::thread worker;
};

// Serial queue worker: one task at a time, each run once and destroyed once.
#include "dispatch/DispatchQueue.h"

DispatchQueue::~DispatchQueue() {
    for (DispatchTask* task : tasks) delete task;
}

void DispatchQueue::addTask(DispatchTask* task) {
    std::lock_guard<std::mutex> lock(queueLock);
    tasks.push_back(task);
}

DispatchTask* DispatchQueue::takeTask() {
    std::lock_guard<std::mutex> lock(queueLock);
    if (tasks.empty()) return nullptr;
    DispatchTask* task = tasks.front();
    tasks.pop_front();
    return task;
}

SerialDispatchQueue::~SerialDispatchQueue() {
    // Destroying a running queue would terminate the process; owners stop first.
}

void SerialDispatchQueue::start() {
    {
        std::lock_guard<std::mutex> lock(queueLock);
        stopRequested = false;
    }
    worker = std::thread(&SerialDispatchQueue::workerLoop, this);
}

void SerialDispatchQueue::stop() {
    {
        std::lock_guard<std::mutex> lock(queueLock);
        stopRequested = true;
    }
    wake.notify_all();
    worker.join();
}

void SerialDispatchQueue::addTask(DispatchTask* task) {
    DispatchQueue::addTask(task);
    wake.notify_one();
}

void SerialDispatchQueue::workerLoop() {
    for (;;) {
        DispatchTask* task = nullptr;
        {
            std::unique_lock<std::mutex> lock(queueLock);
            wake.wait(lock, [this] { return stopRequested || !tasks.empty(); });
            if (stopRequested) return;
            task = tasks.front();
            tasks.pop_front();
        }
        task->run();
        delete task;
    }
}

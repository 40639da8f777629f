#include "wav/WorkerThread.h"

WorkerThread::WorkerThread() : thread_([this] { loop(); }) {}

WorkerThread::~WorkerThread() {
    {
        std::unique_lock<std::mutex> held(lock_);
        changed_.wait(held, [this] { return !busy_; });
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void WorkerThread::start(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> held(lock_);
        job_ = std::move(job);
        busy_ = true;
    }
    changed_.notify_all();
}

void WorkerThread::wait() {
    std::unique_lock<std::mutex> held(lock_);
    changed_.wait(held, [this] { return !busy_; });
}

void WorkerThread::loop() {
    std::unique_lock<std::mutex> held(lock_);
    for (;;) {
        changed_.wait(held, [this] { return busy_ || quit_; });
        if (quit_)
            return;
        std::function<void()> job = std::move(job_);
        held.unlock();
        job();
        held.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

#pragma once
// A thread that runs one job at a time for its owner, who hands a job over, does its own
// share meanwhile and then waits for the job to be done.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class WorkerThread {
public:
    WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread();

    // Starts `job`; the previous one must have been waited for.
    void start(std::function<void()> job);
    void wait();

private:
    void loop();

    std::mutex lock_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool busy_ = false;
    bool quit_ = false;
    std::thread thread_;
};

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

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};

#include "wav/WorkerThread.h"

WorkerThread::WorkerThread() : m_thread([this] { loop(); }) {}

WorkerThread::~WorkerThread() {
    {
        std::unique_lock<std::mutex> held(m_lock);
        m_changed.wait(held, [this] { return !m_busy; });
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void WorkerThread::start(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> held(m_lock);
        m_job = std::move(job);
        m_busy = true;
    }
    m_changed.notify_all();
}

void WorkerThread::wait() {
    std::unique_lock<std::mutex> held(m_lock);
    m_changed.wait(held, [this] { return !m_busy; });
}

void WorkerThread::loop() {
    std::unique_lock<std::mutex> held(m_lock);
    for (;;) {
        m_changed.wait(held, [this] { return m_busy || m_quit; });
        if (m_quit) {
            return;
        }
        std::function<void()> job = std::move(m_job);
        held.unlock();
        job();
        held.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

#pragma once

#include <QThread>
#include <memory>

namespace KestrelUpdater {

// One piece of blocking work on a thread of its own. The work posts its outcome to its owner's event
// loop; since the owner holds this and its destruction waits for the work (which the owner stops
// first), every post reaches a living object, and Qt drops it if the object goes before it is handled.
class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() { wait(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    template <typename Work> void start(Work work)
    {
        wait();
        m_thread.reset(QThread::create(std::move(work)));
        m_thread->start();
    }
    void wait()
    {
        if (m_thread)
            m_thread->wait();
    }

private:
    std::unique_ptr<QThread> m_thread;
};

} // namespace KestrelUpdater

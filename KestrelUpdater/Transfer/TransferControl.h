#pragma once

#include <atomic>
#include <curl/curl.h>
#include <mutex>

namespace KestrelUpdater {

// Lets the window's thread stop a transfer that runs on a worker thread. Cancelling wakes the worker
// at once, so it never waits out a stalled server first.
class TransferControl {
public:
    // Any thread.
    void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

    // The worker's multi handle while it waits on it (worker thread).
    void attach(CURLM* multi);
    void detach();

private:
    std::atomic<bool> m_cancelled = false;
    std::mutex m_mutex;
    CURLM* m_multi = nullptr;
};

} // namespace KestrelUpdater

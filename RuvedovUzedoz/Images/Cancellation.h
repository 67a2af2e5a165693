#pragma once

#include <QFuture>
#include <atomic>
#include <mutex>

namespace RuvedovUzedoz {

// Whether the work that a picture is prepared for is still wanted: a render stops when its caller
// cancels the render's future or calls `cancel`, and every render stops once the process quits.
// Checked between pictures and from inside long decodes; thread-safe.
class Cancellation {
public:
    void cancel() { m_cancelled.store(true); }
    // From now on, cancelling `future` cancels this too.
    void follow(QFuture<void> future);
    bool isCancelled() const;

    // Stops every render of the process for good; for quitting.
    static void cancelAll();
    static bool allCancelled();

private:
    std::atomic_bool m_cancelled = false;
    mutable std::mutex m_mutex;
    QFuture<void> m_future; // a default future reads as cancelled: only read once followed
    bool m_following = false;
};

} // namespace RuvedovUzedoz

#pragma once

#include <QFuture>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace RuvedovUzedoz {

// Whether the work that a picture is prepared for is still wanted: a render stops when its caller
// cancels the render's future or calls `cancel`, and every render stops once the process quits.
// Checked between pictures and from inside long decodes; thread-safe.
class Cancellation {
public:
    Cancellation() = default;
    // Cancelled also when `parent` (when given) is.
    explicit Cancellation(std::shared_ptr<const Cancellation> parent) : m_parent(std::move(parent)) {}
    Cancellation(const Cancellation&) = delete;
    Cancellation& operator=(const Cancellation&) = delete;

    void cancel() { m_cancelled.store(true); }
    // From now on, cancelling `future` cancels this too.
    template <class T> void follow(QFuture<T> future)
    {
        std::lock_guard lock(m_mutex);
        m_followed = [future] { return future.isCanceled(); };
    }
    // Lets go of the followed future, and with it the result it holds; for when the work has ended.
    void stopFollowing()
    {
        std::lock_guard lock(m_mutex);
        m_followed = nullptr;
    }
    bool isCancelled() const;

    // Stops every render of the process for good; for quitting.
    static void cancelAll();
    static bool allCancelled();
    // Lets renders run again after cancelAll(), for test programs that quit more than once.
    static void resumeAll();

private:
    std::shared_ptr<const Cancellation> m_parent;
    std::atomic_bool m_cancelled = false;
    mutable std::mutex m_mutex;
    std::function<bool()> m_followed;
};

} // namespace RuvedovUzedoz

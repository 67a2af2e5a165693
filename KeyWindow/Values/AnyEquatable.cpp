#include "AnyEquatable.h"

#include <atomic>

namespace KeyWindow {

quint64 NonEquitableWrapper::nextId()
{
    // Only uniqueness per wrapping matters; a counter also keeps runs reproducible.
    static std::atomic<quint64> counter{0};
    return ++counter;
}

} // namespace KeyWindow

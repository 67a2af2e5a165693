#pragma once

#include <QHash>
#include <QUrl>
#include <mutex>
#include <optional>

namespace RuvedovUzedoz {

// A thread-safe store of values by file URL. It has no limits and nothing evicts entries: there is no
// memory-pressure signal to react to, so a user that stores keeps what it stores until it removes it.
template <typename Value> class ObjectCache {
public:
    ObjectCache() = default;
    ObjectCache(const ObjectCache&) = delete;
    ObjectCache& operator=(const ObjectCache&) = delete;

    std::optional<Value> object(const QUrl& key) const
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_values.constFind(key);
        return found == m_values.cend() ? std::nullopt : std::optional<Value>(*found);
    }
    void setObject(const QUrl& key, Value value)
    {
        std::lock_guard lock(m_mutex);
        m_values.insert(key, std::move(value));
    }
    void removeObject(const QUrl& key)
    {
        std::lock_guard lock(m_mutex);
        m_values.remove(key);
    }
    void removeAllObjects()
    {
        std::lock_guard lock(m_mutex);
        m_values.clear();
    }
    qsizetype count() const
    {
        std::lock_guard lock(m_mutex);
        return m_values.size();
    }

private:
    mutable std::mutex m_mutex;
    QHash<QUrl, Value> m_values;
};

} // namespace RuvedovUzedoz

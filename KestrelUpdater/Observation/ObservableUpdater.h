#pragma once

#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <memory>

namespace KestrelUpdater {

class Updater;

// A live view of one setting of the updater, named by its key: every read asks the updater, every write
// goes to it, and `changed` fires whenever the setting changes, whoever changed it (the user, or the
// updater after a check). It keeps no value of its own; the observation ends with this object.
class ObservableUpdater : public QObject {
    Q_OBJECT
public:
    // The key must name a notifying property of the updater.
    ObservableUpdater(Updater& updater, const char* key, QObject* parent = nullptr);

    Updater* updater() const { return m_updater; }
    const char* key() const { return m_keyPath.name(); }
    QVariant value() const;
    // Writes through to the updater and then announces a change, whether the value changed or not.
    void setValue(const QVariant& value);

signals:
    void changed();

private:
    QPointer<Updater> m_updater;
    QMetaProperty m_keyPath;
};

// A read-only setting of the updater as a typed value.
template <typename Value> class SparkleValue {
public:
    SparkleValue(Updater& updater, const char* key) : m_storage(new ObservableUpdater(updater, key)) {}

    Value get() const { return m_storage->value().template value<Value>(); }
    // The object to connect to for changes.
    ObservableUpdater& observer() const { return *m_storage; }

private:
    std::unique_ptr<ObservableUpdater> m_storage;
};

// A read-write setting of the updater as a typed value.
template <typename Value> class Sparkle {
public:
    Sparkle(Updater& updater, const char* key) : m_storage(new ObservableUpdater(updater, key)) {}

    Value get() const { return m_storage->value().template value<Value>(); }
    void set(const Value& value) const { m_storage->setValue(QVariant::fromValue(value)); }
    ObservableUpdater& observer() const { return *m_storage; }

private:
    std::unique_ptr<ObservableUpdater> m_storage;
};

} // namespace KestrelUpdater

#include "ObservableUpdater.h"

#include "KestrelUpdater/Updater.h"

namespace KestrelUpdater {

ObservableUpdater::ObservableUpdater(Updater& updater, const char* key, QObject* parent)
    : QObject(parent), m_updater(&updater)
{
    const QMetaObject* meta = updater.metaObject();
    const int index = meta->indexOfProperty(key);
    Q_ASSERT_X(index >= 0, "ObservableUpdater", "the updater has no setting of this name");
    if (index < 0)
        return;
    m_keyPath = meta->property(index);
    Q_ASSERT_X(m_keyPath.hasNotifySignal(), "ObservableUpdater", "the setting announces no change");
    // Qt drops the connection when either side goes, so the observation ends no later than this object.
    const QMetaMethod announce = metaObject()->method(metaObject()->indexOfSignal("changed()"));
    connect(&updater, m_keyPath.notifySignal(), this, announce);
}

QVariant ObservableUpdater::value() const
{
    if (!m_updater || !m_keyPath.isValid())
        return {};
    return m_keyPath.read(m_updater);
}

void ObservableUpdater::setValue(const QVariant& value)
{
    if (m_updater && m_keyPath.isValid() && m_keyPath.isWritable())
        m_keyPath.write(m_updater, value);
    emit changed();
}

} // namespace KestrelUpdater

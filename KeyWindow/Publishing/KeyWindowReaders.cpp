#include "KeyWindowReaders.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace KeyWindow {

KeyWindowReader::KeyWindowReader(QObject* parent)
    : QObject(parent), m_keyWindowState(&KeyWindowState::shared())
{
    // Synchronous: a reader holds the key window's object by the time anyone acts on the change.
    connect(m_keyWindowState.data(), &KeyWindowState::valuesChanged, this, [this] {
        update();
        emit changed();
    });
}

void KeyWindowReader::passOnChangesOf(QObject* object)
{
    for (const QMetaObject::Connection& connection : std::as_const(m_objectConnections))
        disconnect(connection);
    m_objectConnections.clear();
    if (!object)
        return;
    const QMetaObject* type = object->metaObject();
    const QMetaMethod passOn = QMetaMethod::fromSignal(&KeyWindowReader::changed);
    QList<int> connected;
    // QObject's own property (the object name) is no value the object holds.
    for (int i = QObject::staticMetaObject.propertyCount(); i < type->propertyCount(); ++i) {
        const QMetaProperty property = type->property(i);
        if (!property.hasNotifySignal() || connected.contains(property.notifySignalIndex()))
            continue;
        connected.append(property.notifySignalIndex());
        m_objectConnections.append(connect(object, property.notifySignal(), this, passOn));
    }
}

} // namespace KeyWindow

#include "KeyWindowReaders.h"

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

} // namespace KeyWindow

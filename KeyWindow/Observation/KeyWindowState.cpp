#include "KeyWindowState.h"

namespace KeyWindow {

KeyWindowState& KeyWindowState::shared()
{
    // Deliberately leaked: readers and observers may outlive static destruction order.
    static KeyWindowState* instance = new KeyWindowState;
    return *instance;
}

void KeyWindowState::setValues(const KeyWindowValuesPreference& values)
{
    m_values = values;
    emit valuesChanged();
}

} // namespace KeyWindow

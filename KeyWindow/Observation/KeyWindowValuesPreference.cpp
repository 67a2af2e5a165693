#include "KeyWindowValuesPreference.h"

namespace KeyWindow {

void KeyWindowValuesPreference::reduce(KeyWindowValuesPreference& value,
                                       const KeyWindowValuesPreference& next)
{
    for (auto it = next.m_values.cbegin(); it != next.m_values.cend(); ++it)
        value.m_values.insert(it.key(), it.value());
}

} // namespace KeyWindow

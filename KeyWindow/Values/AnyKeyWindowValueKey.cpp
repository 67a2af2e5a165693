#include "AnyKeyWindowValueKey.h"

#include "TypeDescription.h"

namespace KeyWindow {

QString AnyKeyWindowValueKey::description() const
{
    return shortTypeName(*m_keyType);
}

QString AnyKeyWindowValueKey::debugDescription() const
{
    return QStringLiteral("AnyKeyWindowValueKey(") + qualifiedTypeName(*m_keyType) + QLatin1Char(')');
}

} // namespace KeyWindow

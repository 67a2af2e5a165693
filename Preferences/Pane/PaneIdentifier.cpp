#include "PaneIdentifier.h"

#include "KestrelExtensions/Coding/CodingError.h"

namespace Preferences {

PaneIdentifier PaneIdentifier::fromJson(const QJsonValue& value)
{
    if (!value.isString())
        throw KestrelExtensions::DecodingError::typeMismatch({}, QStringLiteral("String"));
    return PaneIdentifier(value.toString());
}

} // namespace Preferences

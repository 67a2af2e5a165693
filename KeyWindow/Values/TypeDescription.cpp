#include "TypeDescription.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace KeyWindow {

QString qualifiedTypeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : type.name());
}

QString shortTypeName(const std::type_info& type)
{
    const QString name = qualifiedTypeName(type);
    // Only the namespaces in front of the outermost name go; template arguments keep theirs.
    const qsizetype templateStart = name.indexOf(QLatin1Char('<'));
    const qsizetype scope = name.lastIndexOf(QStringLiteral("::"), templateStart < 0 ? -1 : templateStart);
    return scope < 0 ? name : name.mid(scope + 2);
}

QString quoted(const QString& text)
{
    QString result;
    result.reserve(text.size() + 2);
    result += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            result += QStringLiteral("\\\"");
            break;
        case '\\':
            result += QStringLiteral("\\\\");
            break;
        case '\n':
            result += QStringLiteral("\\n");
            break;
        case '\t':
            result += QStringLiteral("\\t");
            break;
        case '\r':
            result += QStringLiteral("\\r");
            break;
        default:
            result += c;
        }
    }
    result += QLatin1Char('"');
    return result;
}

} // namespace KeyWindow

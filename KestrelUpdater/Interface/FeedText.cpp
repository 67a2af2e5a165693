#include "FeedText.h"

#include <QList>
#include <algorithm>

namespace KestrelUpdater {

QString feedText(const QString& text, qsizetype maximumLength)
{
    QString clean;
    clean.reserve(std::min(text.size(), maximumLength + 1));
    // Dropped characters are few in honest text; a bounded look keeps a huge hostile string cheap.
    for (const char32_t c : QStringView(text).left(maximumLength * 4).toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            continue;
        if (clean.size() >= maximumLength) {
            clean += u'…';
            break;
        }
        clean += QString::fromUcs4(&c, 1);
    }
    return clean.trimmed();
}

QString messageText(const QString& text)
{
    return feedText(text, maximumMessageLength);
}

} // namespace KestrelUpdater

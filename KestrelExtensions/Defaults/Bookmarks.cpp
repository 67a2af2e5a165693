#include "Bookmarks.h"

#include <QFile>
#include <QFileInfo>

namespace KestrelExtensions {

void storeBookmark(UserDefaults& defaults, const std::optional<QUrl>& url, const QString& key)
{
    const QString canonical =
        url && url->isLocalFile() ? QFileInfo(url->toLocalFile()).canonicalFilePath() : QString();
    if (canonical.isEmpty()) {
        defaults.remove(key);
        return;
    }
    defaults.setValue(key, QFile::encodeName(canonical));
}

std::optional<QUrl> restoreBookmark(const UserDefaults& defaults, const QString& key)
{
    const QVariant stored = defaults.value(key);
    if (stored.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QString path = QFile::decodeName(stored.toByteArray());
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    return QUrl::fromLocalFile(path);
}

} // namespace KestrelExtensions

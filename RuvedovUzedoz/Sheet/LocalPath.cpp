#include "LocalPath.h"

#include <QStringDecoder>

namespace RuvedovUzedoz {

namespace {

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes); // decoding is lazy until converted
    return !decoder.hasError();
}

} // namespace

QByteArray LocalPath::bytes(const QUrl& url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

QUrl LocalPath::url(const QByteArray& path)
{
    if (isUtf8(path))
        return QUrl::fromLocalFile(QString::fromUtf8(path));
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(path.toPercentEncoding("/")), QUrl::TolerantMode);
    return url;
}

QString LocalPath::displayName(const QUrl& url)
{
    const QByteArray path = bytes(url.adjusted(QUrl::StripTrailingSlash));
    return displayName(path.mid(path.lastIndexOf('/') + 1));
}

QString LocalPath::displayName(const QByteArray& name)
{
    return isUtf8(name) ? QString::fromUtf8(name) : QString::fromLatin1(name);
}

} // namespace RuvedovUzedoz

#include "UpdateDownload.h"

#include "Ed25519Signature.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Check/UpdateRequest.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace KestrelUpdater {

UpdateDownload::UpdateDownload(QNetworkAccessManager& network, Request request, QObject* parent)
    : QObject(parent), m_network(network), m_request(std::move(request))
{
}

UpdateDownload::~UpdateDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    if (m_partial) {
        m_partial->close();
        m_partial->remove();
    }
}

namespace {

// The name cut to at most `maximumBytes` of UTF-8, between characters, keeping a short extension.
QString cutToBytes(const QString& name, qsizetype maximumBytes)
{
    if (name.toUtf8().size() <= maximumBytes)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = (dot > 0 && name.size() - dot <= 16) ? name.mid(dot) : QString();
    qsizetype budget = maximumBytes - suffix.toUtf8().size();
    QString base;
    for (const char32_t c : QStringView(name).left(name.size() - suffix.size()).toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        budget -= character.toUtf8().size();
        if (budget < 0)
            break;
        base += character;
    }
    return base.trimmed() + suffix;
}

} // namespace

QString UpdateDownload::safeFileName(const QUrl& url)
{
    QString name;
    for (const char32_t c : url.fileName().toUcs4()) {
        const QChar::Category category = QChar::category(c);
        // Control and format characters (right-to-left overrides among them) can disguise a name.
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            continue;
        if (c == U'/' || c == U'\\')
            name += u'_';
        else
            name += QString::fromUcs4(&c, 1);
    }
    // A leading dot hides the file; leading spaces disguise one (" .bashrc").
    qsizetype start = 0;
    while (start < name.size() && (name[start] == u'.' || name[start].isSpace()))
        ++start;
    name = cutToBytes(name.mid(start).trimmed(), maximumFileNameBytes);
    return name.isEmpty() ? QStringLiteral("update") : name;
}

QString UpdateDownload::uniquePath(const QString& directory, const QString& name)
{
    const QDir dir(directory);
    QString candidate = dir.filePath(name);
    const QFileInfo info(name);
    const QString suffix = info.completeSuffix();
    const QString base = info.baseName();
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate =
            dir.filePath(suffix.isEmpty() ? QStringLiteral("%1 (%2)").arg(base).arg(n)
                                          : QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(suffix));
    return candidate;
}

void UpdateDownload::start()
{
    const QUrl url = m_request.item.enclosure.url;
    if (!m_request.item.hasEnclosure || url.isEmpty())
        return fail(QStringLiteral("This update has no file to download."));
    if (!isAllowedUpdateUrl(url))
        return fail(QStringLiteral("The update must be downloaded over HTTPS."));
    if (!QDir().mkpath(m_request.directory))
        return fail(QStringLiteral("The folder %1 could not be created.").arg(m_request.directory));

    m_finalPath = uniquePath(m_request.directory, safeFileName(url));
    // In plain sight while it grows, so an interrupted download never leaves a hidden file behind.
    m_partial =
        std::make_unique<QFile>(uniquePath(m_request.directory, QFileInfo(m_finalPath).fileName() + ".part"));
    if (!m_partial->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QString reason = m_partial->errorString();
        m_partial.reset();
        return fail(QStringLiteral("The update could not be saved: %1").arg(reason));
    }

    get(url);
}

void UpdateDownload::get(const QUrl& url)
{
    QNetworkRequest request = updateRequest(url, m_request.transferTimeoutMs, "*/*");
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent(m_request.currentVersion));
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateDownload::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateDownload::replyFinished);
}

void UpdateDownload::cancel()
{
    if (m_done)
        return;
    m_abortReason = QStringLiteral("cancelled");
    if (m_reply)
        m_reply->abort();
}

void UpdateDownload::readAvailable()
{
    if (!m_reply || !m_partial || !m_abortReason.isEmpty())
        return;
    if (redirectTarget(*m_reply)) {
        m_reply->readAll(); // a redirect's own body is not the file
        return;
    }
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    const qint64 expected = m_request.item.enclosure.length;
    if ((expected >= 0 && m_received > expected) || m_received > maximumSize) {
        m_abortReason = QStringLiteral("The downloaded file is larger than the update feed says.");
        m_reply->abort();
        return;
    }
    if (m_partial->write(chunk) != chunk.size()) {
        m_abortReason = QStringLiteral("The update could not be saved: %1").arg(m_partial->errorString());
        m_reply->abort();
        return;
    }
    emit progress(m_received, expected);
}

void UpdateDownload::replyFinished()
{
    if (m_done || !m_reply)
        return;
    QNetworkReply* reply = m_reply;
    reply->deleteLater();
    m_reply = nullptr;
    if (m_abortReason.isEmpty() && reply->error() == QNetworkReply::NoError)
        readAvailable();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_abortReason == u"cancelled") {
        DownloadResult result;
        result.status = DownloadResult::Status::Cancelled;
        result.item = m_request.item;
        return conclude(std::move(result));
    }
    if (!m_abortReason.isEmpty())
        return fail(m_abortReason);
    if (const auto target = redirectTarget(*reply)) {
        if (++m_redirects > maximumRedirects)
            return fail(QStringLiteral("The update server redirected too often."));
        if (!isAllowedUpdateUrl(*target))
            return fail(QStringLiteral("The update server redirected to an address that is not safe: %1")
                            .arg(target->toString()));
        get(*target);
        return;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return fail(QStringLiteral("The update server did not answer in time."));
    if (status != 0 && (status < 200 || status > 299))
        return fail(QStringLiteral("The update server answered HTTP %1.").arg(status));
    if (reply->error() != QNetworkReply::NoError)
        return fail(reply->errorString());

    if (const QString problem = verifyAndKeep(); !problem.isEmpty())
        return fail(problem);
    DownloadResult result;
    result.status = DownloadResult::Status::Downloaded;
    result.item = m_request.item;
    result.filePath = m_finalPath;
    result.signatureVerified = m_signatureVerified;
    conclude(std::move(result));
}

// Checks the finished partial file; answers why it is refused, or keeps it under its final name.
QString UpdateDownload::verifyAndKeep()
{
    if (!m_partial->flush())
        return QStringLiteral("The update could not be saved: %1").arg(m_partial->errorString());
    m_partial->close();
    const qint64 expected = m_request.item.enclosure.length;
    if (expected >= 0 && m_partial->size() != expected)
        return QStringLiteral("The downloaded file has %1 bytes; the update feed says %2.")
            .arg(m_partial->size())
            .arg(expected);

    const QString signature = m_request.item.enclosure.edSignature;
    if (!m_request.publicKeyBase64.isEmpty()) {
        if (signature.isEmpty())
            return QStringLiteral("The update is not signed.");
        if (!m_partial->open(QIODevice::ReadOnly))
            return QStringLiteral("The update could not be read back: %1").arg(m_partial->errorString());
        const QByteArray bytes = m_partial->readAll();
        m_partial->close();
        if (!verifyEd25519(m_request.publicKeyBase64, signature.toLatin1(), bytes))
            return QStringLiteral("The update's signature is not valid.");
        m_signatureVerified = true;
    }
    // Another file may have appeared under the chosen name meanwhile.
    m_finalPath = uniquePath(m_request.directory, QFileInfo(m_finalPath).fileName());
    if (!m_partial->rename(m_finalPath))
        return QStringLiteral("The update could not be saved: %1").arg(m_partial->errorString());
    m_partial.reset();
    return {};
}

void UpdateDownload::fail(QString message)
{
    if (m_partial) {
        m_partial->close();
        m_partial->remove();
        m_partial.reset();
    }
    DownloadResult result;
    result.status = DownloadResult::Status::Error;
    result.item = m_request.item;
    result.message = std::move(message);
    conclude(std::move(result));
}

void UpdateDownload::conclude(DownloadResult result)
{
    if (m_done)
        return;
    m_done = true;
    emit finished(result);
}

} // namespace KestrelUpdater

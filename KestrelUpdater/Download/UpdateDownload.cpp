#include "UpdateDownload.h"

#include "Ed25519Signature.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Check/UpdateRequest.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtConcurrent/QtConcurrentRun>

namespace KestrelUpdater {

namespace {

const auto cancelledDownload = "cancelled";

} // namespace

UpdateDownload::UpdateDownload(QNetworkAccessManager& network, Request request, QObject* parent)
    : QObject(parent), m_network(network), m_request(std::move(request))
{
    connect(&m_rate, &QTimer::timeout, this, &UpdateDownload::checkRate);
}

UpdateDownload::~UpdateDownload()
{
    discardReply(m_reply);
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

    m_rate.start(std::max(1, m_request.rateWindowMs));
    get(url);
}

void UpdateDownload::get(const QUrl& url)
{
    QNetworkRequest request = updateRequest(url, m_request.transferTimeoutMs, "*/*");
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent(m_request.currentVersion));
    m_viaHttps = m_viaHttps || url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(replyBufferSize);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &UpdateDownload::headersArrived);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateDownload::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateDownload::replyFinished);
}

void UpdateDownload::headersArrived()
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    // A redirect is followed the moment it is seen; its body is never read (it may never end).
    if (const auto target = redirectTarget(*m_reply))
        return follow(*target);
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 expected = m_request.item.enclosure.length;
    if (length.isValid() && length.toLongLong() > (expected >= 0 ? expected : m_request.maximumSize))
        stop(tooLargeMessage());
}

void UpdateDownload::follow(const QUrl& target)
{
    discardReply(m_reply);
    m_reply = nullptr;
    if (++m_redirects > maximumRedirects)
        return fail(QStringLiteral("The update server redirected too often."));
    if (!isAllowedUpdateUrl(target, m_viaHttps))
        return fail(QStringLiteral("The update server redirected to an address that is not safe: %1")
                        .arg(target.toString().left(200)));
    get(target);
}

QString UpdateDownload::tooLargeMessage() const
{
    if (m_request.item.enclosure.length >= 0)
        return QStringLiteral("The downloaded file is larger than the update feed says.");
    return QStringLiteral("The download was stopped at %1 MB: no update is that large.")
        .arg(m_request.maximumSize / (1024 * 1024));
}

void UpdateDownload::checkRate()
{
    const qint64 expected = qint64(m_request.minimumRate) * m_request.rateWindowMs / 1000;
    const qint64 arrived = m_received - m_receivedAtLastLook;
    m_receivedAtLastLook = m_received;
    if (arrived < expected)
        stop(QStringLiteral("The update server sends too slowly (less than %1 KB a second).")
                 .arg(std::max<qint64>(1, m_request.minimumRate / 1024)));
}

void UpdateDownload::stop(const QString& reason)
{
    if (m_done || !m_abortReason.isEmpty())
        return;
    m_abortReason = reason;
    if (m_reply)
        m_reply->abort(); // ends in replyFinished
    else if (reason == QLatin1String(cancelledDownload))
        concludeCancelled();
    else
        fail(reason);
}

void UpdateDownload::concludeCancelled()
{
    DownloadResult result;
    result.status = DownloadResult::Status::Cancelled;
    result.item = m_request.item;
    conclude(std::move(result));
}

void UpdateDownload::cancel()
{
    stop(QString::fromLatin1(cancelledDownload));
}

void UpdateDownload::readAvailable()
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    if (redirectTarget(*m_reply))
        return headersArrived();
    save(*m_reply);
}

// Moves what the reply holds into the partial file, a piece at a time.
void UpdateDownload::save(QNetworkReply& reply)
{
    const qint64 expected = m_request.item.enclosure.length;
    const qint64 limit = expected >= 0 ? expected : m_request.maximumSize;
    while (m_partial && m_abortReason.isEmpty() && reply.bytesAvailable() > 0) {
        // Never more than the limit allows (plus one byte to tell "too long" from "exactly right").
        const QByteArray chunk = reply.read(std::min(replyBufferSize, limit + 1 - m_received));
        m_received += chunk.size();
        if (m_received > limit)
            return stop(tooLargeMessage());
        if (m_partial->write(chunk) != chunk.size())
            return stop(QStringLiteral("The update could not be saved: %1").arg(m_partial->errorString()));
        emit progress(m_received, expected);
    }
}

void UpdateDownload::replyFinished()
{
    if (m_done || !m_reply)
        return;
    QNetworkReply* reply = m_reply;
    reply->deleteLater();
    m_reply = nullptr;
    if (m_abortReason.isEmpty() && reply->error() == QNetworkReply::NoError && !redirectTarget(*reply))
        save(*reply);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_abortReason == QLatin1String(cancelledDownload))
        return concludeCancelled();
    if (!m_abortReason.isEmpty())
        return fail(m_abortReason);
    if (const auto target = redirectTarget(*reply))
        return follow(*target);
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return fail(QStringLiteral("The update server did not answer in time."));
    if (status != 0 && (status < 200 || status > 299))
        return fail(QStringLiteral("The update server answered HTTP %1.").arg(status));
    if (reply->error() != QNetworkReply::NoError)
        return fail(reply->errorString());

    verifyAndKeep();
}

namespace {

// Why the file's signature does not hold, or nothing when it does. An Ed25519 signature covers the
// whole file at once: mapped, the file is read by the system a page at a time as the check goes and
// never copied into the application's memory. Runs off the window's thread.
QString signatureProblem(const QByteArray& publicKeyBase64, const QByteArray& signatureBase64,
                         const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The update could not be read back: %1").arg(file.errorString());
    const qint64 size = file.size();
    uchar* bytes = size > 0 ? file.map(0, size) : nullptr;
    if (size > 0 && !bytes)
        return QStringLiteral("The update could not be read back: %1").arg(file.errorString());
    const bool valid = verifyEd25519(publicKeyBase64, signatureBase64,
                                     QByteArrayView(reinterpret_cast<const char*>(bytes), bytes ? size : 0));
    if (bytes)
        file.unmap(bytes);
    return valid ? QString() : QStringLiteral("The update's signature is not valid.");
}

} // namespace

// Checks the finished partial file and keeps it under its final name, or refuses it.
void UpdateDownload::verifyAndKeep()
{
    m_rate.stop(); // the transfer is over; checking the file may take longer than a rate window
    if (!m_partial->flush())
        return fail(QStringLiteral("The update could not be saved: %1").arg(m_partial->errorString()));
    m_partial->close();
    const qint64 expected = m_request.item.enclosure.length;
    if (expected >= 0 && m_partial->size() != expected)
        return fail(QStringLiteral("The downloaded file has %1 bytes; the update feed says %2.")
                        .arg(m_partial->size())
                        .arg(expected));
    if (m_request.publicKeyBase64.isEmpty())
        return keep();
    const QString signature = m_request.item.enclosure.edSignature;
    if (signature.isEmpty())
        return fail(QStringLiteral("The update is not signed."));
    // Checking a large file takes a while: never on the window's thread.
    connect(&m_verification, &QFutureWatcher<QString>::finished, this, [this] {
        if (m_done)
            return;
        if (const QString problem = m_verification.result(); !problem.isEmpty())
            return fail(problem);
        m_signatureVerified = true;
        keep();
    });
    m_verification.setFuture(QtConcurrent::run(signatureProblem, m_request.publicKeyBase64,
                                               signature.toLatin1(), m_partial->fileName()));
}

void UpdateDownload::keep()
{
    // Another file may have appeared under the chosen name meanwhile.
    m_finalPath = uniquePath(m_request.directory, QFileInfo(m_finalPath).fileName());
    if (!m_partial->rename(m_finalPath))
        return fail(QStringLiteral("The update could not be saved: %1").arg(m_partial->errorString()));
    m_partial.reset();
    DownloadResult result;
    result.status = DownloadResult::Status::Downloaded;
    result.item = m_request.item;
    result.filePath = m_finalPath;
    result.signatureVerified = m_signatureVerified;
    conclude(std::move(result));
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
    m_rate.stop();
    emit finished(result);
}

} // namespace KestrelUpdater

#include "UpdateCheck.h"

#include "KestrelUpdater/Appcast/Appcast.h"
#include "KestrelUpdater/Appcast/VersionComparator.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Updater.h"
#include "UpdateRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace KestrelUpdater {
namespace {

const auto tooLarge = "The update feed is too large.";
const auto cancelledCheck = "cancelled";

} // namespace

UpdateCheck::UpdateCheck(QNetworkAccessManager& network, Request request, QObject* parent)
    : QObject(parent), m_network(network), m_request(std::move(request))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        // A server that trickles its answer never meets the transfer timeout: the check ends anyway.
        stop(QStringLiteral("The update server took too long to answer."));
    });
}

UpdateCheck::~UpdateCheck()
{
    discardReply(m_reply);
}

void UpdateCheck::start()
{
    if (m_request.url.isEmpty()) {
        fail(QStringLiteral("No update feed is configured."));
        return;
    }
    if (!isAllowedUpdateUrl(m_request.url)) {
        fail(QStringLiteral("The update feed must use HTTPS."));
        return;
    }
    m_deadline.start(std::max(1, m_request.deadlineMs));
    get(m_request.url);
}

void UpdateCheck::get(const QUrl& url)
{
    QNetworkRequest request =
        updateRequest(url, m_request.transferTimeoutMs,
                      "application/rss+xml, application/xml;q=0.9, text/xml;q=0.9, */*;q=0.1");
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent(m_request.currentVersion));
    m_viaHttps = m_viaHttps || url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(replyBufferSize);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &UpdateCheck::headersArrived);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::replyFinished);
}

void UpdateCheck::headersArrived()
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    // A redirect is followed the moment it is seen; its body is never read (it may never end).
    if (const auto target = redirectTarget(*m_reply))
        return follow(*target);
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_request.maximumSize)
        stop(QString::fromLatin1(tooLarge));
}

void UpdateCheck::follow(const QUrl& target)
{
    discardReply(m_reply);
    m_reply = nullptr;
    m_body.clear();
    if (++m_redirects > Updater::maximumRedirects)
        return fail(QStringLiteral("The update server redirected too often."));
    if (!isAllowedUpdateUrl(target, m_viaHttps))
        return fail(QStringLiteral("The update server redirected to an address that is not safe: %1")
                        .arg(target.toString().left(200)));
    get(target);
}

void UpdateCheck::stop(const QString& reason)
{
    if (m_done || !m_abortReason.isEmpty())
        return;
    m_abortReason = reason;
    if (m_reply)
        m_reply->abort(); // ends in replyFinished
    else if (reason == QLatin1String(cancelledCheck))
        conclude({CheckResult::Status::Cancelled, std::nullopt, {}, 0, m_request.url});
    else
        fail(reason);
}

void UpdateCheck::cancel()
{
    stop(QString::fromLatin1(cancelledCheck));
}

void UpdateCheck::readAvailable()
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    if (redirectTarget(*m_reply))
        return headersArrived();
    m_body += m_reply->readAll();
    if (m_body.size() > m_request.maximumSize) {
        m_body.clear();
        stop(QString::fromLatin1(tooLarge));
    }
}

void UpdateCheck::replyFinished()
{
    if (m_done || !m_reply)
        return;
    QNetworkReply* reply = m_reply;
    reply->deleteLater();
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();

    if (m_abortReason == QLatin1String(cancelledCheck)) {
        conclude({CheckResult::Status::Cancelled, std::nullopt, {}, status, m_request.url});
        return;
    }
    if (!m_abortReason.isEmpty())
        return fail(m_abortReason);
    if (const auto target = redirectTarget(*reply))
        return follow(*target);
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return fail(QStringLiteral("The update server did not answer in time."));
    if (status != 0 && (status < 200 || status > 299)) {
        CheckResult result{CheckResult::Status::Error, std::nullopt,
                           QStringLiteral("The update server answered HTTP %1.").arg(status), status,
                           m_request.url};
        return conclude(std::move(result));
    }
    if (reply->error() != QNetworkReply::NoError)
        return fail(reply->errorString());

    m_body += reply->readAll();
    if (m_body.size() > m_request.maximumSize)
        return fail(QString::fromLatin1(tooLarge));
    const Appcast::Parsed parsed = Appcast::parse(m_body, reply->url());
    if (!parsed.appcast)
        return fail(QStringLiteral("The update feed could not be read (%1).").arg(parsed.error));

    CheckResult result;
    result.httpStatus = status;
    result.requestUrl = m_request.url;
    result.item = parsed.appcast->bestItem();
    const bool newer = result.item && compareVersions(result.item->version, m_request.currentVersion) > 0;
    const bool skipped = result.item && !m_request.skippedVersion.isEmpty() &&
                         compareVersions(result.item->version, m_request.skippedVersion) == 0;
    result.status =
        (newer && !skipped) ? CheckResult::Status::UpdateAvailable : CheckResult::Status::UpToDate;
    conclude(std::move(result));
}

void UpdateCheck::fail(QString message)
{
    conclude({CheckResult::Status::Error, std::nullopt, std::move(message), 0, m_request.url});
}

void UpdateCheck::conclude(CheckResult result)
{
    if (m_done)
        return;
    m_done = true;
    m_deadline.stop();
    emit finished(result);
}

} // namespace KestrelUpdater

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

} // namespace

UpdateCheck::UpdateCheck(QNetworkAccessManager& network, Request request, QObject* parent)
    : QObject(parent), m_network(network), m_request(std::move(request))
{
}

UpdateCheck::~UpdateCheck()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
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
    get(m_request.url);
}

void UpdateCheck::get(const QUrl& url)
{
    QNetworkRequest request =
        updateRequest(url, m_request.transferTimeoutMs,
                      "application/rss+xml, application/xml;q=0.9, text/xml;q=0.9, */*;q=0.1");
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent(m_request.currentVersion));
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (redirectTarget(*m_reply))
            return;
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_request.maximumSize) {
            m_abortReason = QString::fromLatin1(tooLarge);
            m_reply->abort();
        }
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::replyFinished);
}

void UpdateCheck::cancel()
{
    if (m_done)
        return;
    m_abortReason = QStringLiteral("cancelled");
    if (m_reply)
        m_reply->abort();
    else
        conclude({CheckResult::Status::Cancelled, std::nullopt, {}, 0, m_request.url});
}

void UpdateCheck::readAvailable()
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    if (redirectTarget(*m_reply)) {
        m_reply->readAll(); // a redirect's own body is not the feed
        return;
    }
    m_body += m_reply->readAll();
    if (m_body.size() > m_request.maximumSize) {
        m_abortReason = QString::fromLatin1(tooLarge);
        m_body.clear();
        m_reply->abort();
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

    if (m_abortReason == u"cancelled") {
        conclude({CheckResult::Status::Cancelled, std::nullopt, {}, status, m_request.url});
        return;
    }
    if (!m_abortReason.isEmpty())
        return fail(m_abortReason);
    if (const auto target = redirectTarget(*reply)) {
        if (++m_redirects > Updater::maximumRedirects)
            return fail(QStringLiteral("The update server redirected too often."));
        if (!isAllowedUpdateUrl(*target))
            return fail(QStringLiteral("The update server redirected to an address that is not safe: %1")
                            .arg(target->toString()));
        m_body.clear();
        get(*target);
        return;
    }
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
    emit finished(result);
}

} // namespace KestrelUpdater

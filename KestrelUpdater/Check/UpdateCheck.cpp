#include "UpdateCheck.h"

#include "KestrelUpdater/Appcast/Appcast.h"
#include "KestrelUpdater/Appcast/VersionComparator.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Channel/LoopbackHttp.h"
#include "KestrelUpdater/Transfer/HttpTransfer.h"
#include "KestrelUpdater/Transfer/TransferControl.h"
#include "KestrelUpdater/Transfer/TransferMessage.h"
#include "KestrelUpdater/Updater.h"
#include "UpdateRequest.h"

#include <QCoreApplication>

namespace KestrelUpdater {
namespace {

class FeedBuffer : public TransferSink {
public:
    QByteArray body;
    QString write(const char* bytes, qsizetype size) override
    {
        body.append(bytes, size);
        return {};
    }
};

// The whole check, on the worker thread.
CheckResult fetchAndJudge(const UpdateCheck::Request& request, const QByteArray& agent,
                          const QByteArray& authorities, TransferControl& control)
{
    TransferRequest transfer;
    transfer.url = request.url;
    transfer.accept = "application/rss+xml, application/xml;q=0.9, text/xml;q=0.9, */*;q=0.1";
    transfer.userAgent = agent;
    transfer.maximumRedirects = Updater::maximumRedirects;
    transfer.maximumSize = request.maximumSize;
    // A feed is small: any byte at all within the transfer timeout keeps it going; the deadline ends it.
    transfer.connectTimeoutMs = request.transferTimeoutMs;
    transfer.minimumRate = 1;
    transfer.rateWindowMs = request.transferTimeoutMs;
    transfer.deadlineMs = request.deadlineMs;
    transfer.certificateAuthorities = authorities;
    FeedBuffer feed;
    const TransferOutcome outcome = performTransfer(transfer, feed, control);

    CheckResult result;
    result.requestUrl = request.url;
    result.httpStatus = outcome.httpStatus;
    using Ending = TransferOutcome::Ending;
    switch (outcome.ending) {
    case Ending::Completed:
        break;
    case Ending::Cancelled:
        result.status = CheckResult::Status::Cancelled;
        return result;
    case Ending::TooLarge:
        result.message = QStringLiteral("The update feed is too large.");
        return result;
    case Ending::TooSlow:
        result.message = QStringLiteral("The update server did not answer in time.");
        return result;
    default:
        result.message = transferProblem(outcome);
        return result;
    }
    const Appcast::Parsed parsed = Appcast::parse(feed.body, outcome.url);
    if (!parsed.appcast) {
        result.message = QStringLiteral("The update feed could not be read (%1).").arg(parsed.error);
        return result;
    }
    result.item = parsed.appcast->bestItem();
    const bool newer = result.item && compareVersions(result.item->version, request.currentVersion) > 0;
    const bool skipped = result.item && !request.skippedVersion.isEmpty() &&
                         compareVersions(result.item->version, request.skippedVersion) == 0;
    result.status =
        (newer && !skipped) ? CheckResult::Status::UpdateAvailable : CheckResult::Status::UpToDate;
    return result;
}

} // namespace

UpdateCheck::UpdateCheck(Request request, QObject* parent)
    : QObject(parent), m_request(std::move(request)), m_control(std::make_shared<TransferControl>())
{
}

UpdateCheck::~UpdateCheck()
{
    m_control->cancel(); // m_worker then waits only for the worker to notice
}

void UpdateCheck::start()
{
    if (m_request.url.isEmpty()) {
        const QString name = QCoreApplication::applicationName().isEmpty()
                                 ? QStringLiteral("Sheetwright")
                                 : QCoreApplication::applicationName();
        CheckResult result;
        result.status = CheckResult::Status::NoFeed;
        result.message =
            QStringLiteral("This build of %1 has no update feed configured, so it cannot find updates.")
                .arg(name);
        return conclude(std::move(result));
    }
    if (!isAllowedUpdateUrl(m_request.url))
        return fail(QStringLiteral("The update feed must use HTTPS."));
    m_started = true;
    m_worker.start([this, request = m_request, agent = userAgent(m_request.currentVersion),
                    authorities = loopbackCertificateAuthorities(), control = m_control] {
        CheckResult result = fetchAndJudge(request, agent, authorities, *control);
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { conclude(result); }, Qt::QueuedConnection);
    });
}

void UpdateCheck::cancel()
{
    if (m_done)
        return;
    m_cancelled = true;
    if (!m_started)
        return conclude({CheckResult::Status::Cancelled, std::nullopt, {}, 0, m_request.url});
    m_control->cancel(); // the worker ends and reports
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
    // Cancelled as the verdict was on its way: cancelled all the same.
    if (m_cancelled && result.status != CheckResult::Status::Cancelled)
        result = {CheckResult::Status::Cancelled, std::nullopt, {}, result.httpStatus, m_request.url};
    emit finished(result);
}

} // namespace KestrelUpdater

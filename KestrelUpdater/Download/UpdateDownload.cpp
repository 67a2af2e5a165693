#include "UpdateDownload.h"

#include "Ed25519Signature.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Channel/LoopbackHttp.h"
#include "KestrelUpdater/Check/UpdateRequest.h"
#include "KestrelUpdater/Transfer/HttpTransfer.h"
#include "KestrelUpdater/Transfer/TransferControl.h"
#include "KestrelUpdater/Transfer/TransferMessage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <mutex>

namespace KestrelUpdater {

// The ".part" file. The window's thread holds it, or a worker does while it writes or checks it; when
// the download goes away, whoever holds the file then removes it, never on the window's thread.
struct PartialFile {
    QString path; // empty once kept or removed
    std::mutex mutex;
    bool heldByWorker = false;
    bool abandoned = false;

    void lend()
    {
        const std::lock_guard lock(mutex);
        heldByWorker = true;
    }
    // The worker is done with the file. False when the download has gone meanwhile: the file is then
    // removed here, on the worker's thread.
    bool handBack()
    {
        std::unique_lock lock(mutex);
        heldByWorker = false;
        if (!abandoned)
            return true;
        const QString gone = std::exchange(path, QString());
        lock.unlock();
        if (!gone.isEmpty())
            QFile::remove(gone);
        return false;
    }
    // Answers the path and forgets it (the file is kept or being removed).
    QString take()
    {
        const std::lock_guard lock(mutex);
        return std::exchange(path, QString());
    }
    // The download goes away.
    void abandon()
    {
        std::unique_lock lock(mutex);
        abandoned = true;
        if (heldByWorker || path.isEmpty())
            return;
        const QString gone = std::exchange(path, QString());
        lock.unlock();
        // Removing a large file can take a while.
        (void)QtConcurrent::run([gone] { QFile::remove(gone); });
    }
};

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

// Writes the body into the partial file on the worker thread and tells the window's thread how far it
// has come, a few times a second at most.
class PartialFileSink : public TransferSink {
public:
    PartialFileSink(const QString& path, std::function<void(qint64)> report)
        : m_file(path), m_report(std::move(report))
    {
        m_sinceReport.start();
    }

    QString begin(qint64) override
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QStringLiteral("The update could not be saved: %1").arg(m_file.errorString());
        return {};
    }

    QString write(const char* bytes, qsizetype size) override
    {
        if (m_file.write(bytes, size) != size)
            return QStringLiteral("The update could not be saved: %1").arg(m_file.errorString());
        m_received += size;
        if (m_reported == 0 || m_sinceReport.elapsed() >= 100)
            report();
        return {};
    }

    // Closes the file after the transfer: why it cannot be the update the feed announced, if it cannot.
    QString finish(bool completed, qint64 expected)
    {
        if (m_reported != m_received)
            report();
        if (!m_file.isOpen())
            return {};
        const bool flushed = m_file.flush();
        const QString error = m_file.errorString();
        m_file.close();
        if (!completed)
            return {};
        if (!flushed)
            return QStringLiteral("The update could not be saved: %1").arg(error);
        if (expected >= 0 && m_received != expected)
            return QStringLiteral("The downloaded file has %1 bytes; the update feed says %2.")
                .arg(m_received)
                .arg(expected);
        return {};
    }

private:
    void report()
    {
        m_reported = m_received;
        m_sinceReport.restart();
        m_report(m_received);
    }

    QFile m_file;
    std::function<void(qint64)> m_report;
    QElapsedTimer m_sinceReport;
    qint64 m_received = 0;
    qint64 m_reported = 0;
};

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

UpdateDownload::UpdateDownload(Request request, QObject* parent)
    : QObject(parent), m_request(std::move(request)), m_control(std::make_shared<TransferControl>()),
      m_partial(std::make_shared<PartialFile>())
{
    connect(&m_verification, &QFutureWatcher<QString>::finished, this,
            [this] { verified(m_verification.result()); });
    connect(&m_discard, &QFutureWatcher<void>::finished, this, &UpdateDownload::concludeDiscarded);
}

UpdateDownload::~UpdateDownload()
{
    m_control->cancel(); // m_worker then waits only for the worker to notice
    m_partial->abandon();
}

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
    const qint64 expected = m_request.item.enclosure.length;
    if (!m_request.item.hasEnclosure || url.isEmpty())
        return fail(QStringLiteral("This update has no file to download."));
    if (!isAllowedUpdateUrl(url))
        return fail(QStringLiteral("The update must be downloaded over HTTPS."));
    if (expected > m_request.maximumSize)
        return fail(QStringLiteral("The update feed announces %1 MB: no update is that large.")
                        .arg(megabytes(expected)));
    if (!QDir().mkpath(m_request.directory))
        return fail(QStringLiteral("The folder %1 could not be created.").arg(m_request.directory));

    m_finalPath = uniquePath(m_request.directory, safeFileName(url));
    // In plain sight while it grows, so an interrupted download never leaves a hidden file behind.
    QFile partial(uniquePath(m_request.directory, QFileInfo(m_finalPath).fileName() + ".part"));
    if (!partial.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(QStringLiteral("The update could not be saved: %1").arg(partial.errorString()));
    partial.close();
    m_partial->path = partial.fileName();

    TransferRequest transfer;
    transfer.url = url;
    transfer.userAgent = userAgent(m_request.currentVersion);
    transfer.maximumRedirects = maximumRedirects;
    transfer.maximumSize = expected >= 0 ? expected : m_request.maximumSize;
    transfer.connectTimeoutMs = m_request.transferTimeoutMs;
    transfer.minimumRate = m_request.minimumRate;
    transfer.rateWindowMs = m_request.rateWindowMs;
    transfer.deadlineMs = m_request.deadlineMs;
    transfer.certificateAuthorities = loopbackCertificateAuthorities();

    m_phase = Phase::Transferring;
    m_partial->lend();
    m_worker.start([this, transfer, expected, partial = m_partial, control = m_control] {
        PartialFileSink sink(partial->path, [this, expected](qint64 received) {
            QMetaObject::invokeMethod(
                this,
                [this, received, expected] {
                    if (m_phase == Phase::Transferring)
                        emit progress(received, expected);
                },
                Qt::QueuedConnection);
        });
        const TransferOutcome outcome = performTransfer(transfer, sink, *control);
        const QString problem = sink.finish(outcome.ending == TransferOutcome::Ending::Completed, expected);
        if (!partial->handBack())
            return;
        QMetaObject::invokeMethod(
            this, [this, outcome, problem] { transferred(outcome, problem); }, Qt::QueuedConnection);
    });
}

void UpdateDownload::cancel()
{
    switch (m_phase) {
    case Phase::Idle:
        m_cancelled = true;
        return concludeDiscarded();
    case Phase::Transferring:
        m_cancelled = true;
        return m_control->cancel(); // the worker ends and reports
    case Phase::Verifying:
        m_cancelled = true; // heard when the check ends: the file is the worker's until then
        return;
    case Phase::Discarding:
    case Phase::Done:
        return;
    }
}

QString UpdateDownload::sizeProblem(const TransferOutcome& outcome) const
{
    if (m_request.item.enclosure.length >= 0)
        return QStringLiteral("The downloaded file is larger than the update feed says.");
    if (outcome.announced > m_request.maximumSize)
        return QStringLiteral("The update server offers %1 MB: no update is that large.")
            .arg(megabytes(outcome.announced));
    return QStringLiteral("The download was stopped at %1 MB: no update is that large.")
        .arg(megabytes(m_request.maximumSize));
}

void UpdateDownload::transferred(const TransferOutcome& outcome, const QString& problem)
{
    using Ending = TransferOutcome::Ending;
    if (m_cancelled || outcome.ending == Ending::Cancelled) {
        m_cancelled = true;
        return discardThen({});
    }
    switch (outcome.ending) {
    case Ending::Completed:
        break;
    case Ending::TooLarge:
        return fail(sizeProblem(outcome));
    case Ending::TooSlow:
        return fail(QStringLiteral("The update server sends too slowly (less than %1 KB a second).")
                        .arg(std::max<qint64>(1, m_request.minimumRate / 1024)));
    case Ending::Deadline:
        return fail(m_request.deadlineMs >= 60000
                        ? QStringLiteral("The download did not finish within %1 minutes.")
                              .arg(m_request.deadlineMs / 60000)
                        : QStringLiteral("The download did not finish within %1 seconds.")
                              .arg(std::max(1, m_request.deadlineMs / 1000)));
    default:
        return fail(transferProblem(outcome));
    }
    if (!problem.isEmpty())
        return fail(problem);
    if (m_request.publicKeyBase64.isEmpty())
        return keep();
    const QString signature = m_request.item.enclosure.edSignature;
    if (signature.isEmpty())
        return fail(QStringLiteral("The update is not signed."));
    // Checking a large file takes a while: never on the window's thread.
    m_phase = Phase::Verifying;
    emit verifying();
    m_partial->lend();
    m_verification.setFuture(QtConcurrent::run(
        [key = m_request.publicKeyBase64, signature = signature.toLatin1(), partial = m_partial] {
            const QString problem = signatureProblem(key, signature, partial->path);
            partial->handBack();
            return problem;
        }));
}

void UpdateDownload::verified(const QString& problem)
{
    if (m_phase != Phase::Verifying)
        return;
    if (m_cancelled)
        return discardThen({});
    if (!problem.isEmpty())
        return fail(problem);
    keep();
}

void UpdateDownload::keep()
{
    // Another file may have appeared under the chosen name meanwhile.
    m_finalPath = uniquePath(m_request.directory, QFileInfo(m_finalPath).fileName());
    QFile partial(m_partial->path);
    if (!partial.rename(m_finalPath))
        return fail(QStringLiteral("The update could not be saved: %1").arg(partial.errorString()));
    m_partial->take();
    m_phase = Phase::Done;
    DownloadResult result;
    result.status = DownloadResult::Status::Downloaded;
    result.item = m_request.item;
    result.filePath = m_finalPath;
    result.signatureVerified = !m_request.publicKeyBase64.isEmpty();
    conclude(std::move(result));
}

void UpdateDownload::fail(QString message)
{
    discardThen(std::move(message));
}

// Removes the partial file off the window's thread, then announces the end: whoever hears of a failed or
// cancelled download finds nothing left of it.
void UpdateDownload::discardThen(QString reason)
{
    m_discardReason = std::move(reason);
    m_phase = Phase::Discarding;
    const QString path = m_partial->take();
    if (path.isEmpty())
        return concludeDiscarded();
    m_discard.setFuture(QtConcurrent::run([path] { QFile::remove(path); }));
}

void UpdateDownload::concludeDiscarded()
{
    DownloadResult result;
    result.status = m_cancelled ? DownloadResult::Status::Cancelled : DownloadResult::Status::Error;
    result.item = m_request.item;
    if (!m_cancelled)
        result.message = m_discardReason;
    conclude(std::move(result));
}

void UpdateDownload::conclude(DownloadResult result)
{
    if (m_done)
        return;
    m_done = true;
    m_phase = Phase::Done;
    emit finished(result);
}

} // namespace KestrelUpdater

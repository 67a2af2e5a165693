#include "HttpTransfer.h"

#include "CurlHandles.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Channel/LoopbackHttp.h"
#include "TransferControl.h"

#include <QElapsedTimer>
#include <optional>

namespace KestrelUpdater {
namespace {

using Ending = TransferOutcome::Ending;

// What one request learns while curl runs it: the callbacks write it, the redirect loop reads it after.
struct Hop {
    CURL* easy = nullptr;
    QUrl url;
    TransferSink* sink = nullptr;
    TransferControl* control = nullptr;
    qint64 maximumSize = 0;

    qsizetype headerBytes = 0;
    // Of the answer whose headers are arriving (an interim answer may come before the real one).
    QByteArray location;
    qint64 contentLength = -1;
    bool chunked = false;

    int status = 0;
    qint64 announced = -1;
    qint64 received = 0;
    bool bodyStarted = false;
    std::optional<QUrl> redirect;
    std::optional<Ending> stoppedBy; // our own reason for ending the request
    QString detail;
};

size_t stop(Hop& hop, Ending why, const QString& detail = {})
{
    hop.stoppedBy = why;
    hop.detail = detail;
    return 0; // curl ends the transfer when a callback takes less than it was given
}

bool isRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

size_t headersEnded(Hop& hop, size_t length)
{
    long status = 0;
    curl_easy_getinfo(hop.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200)
        return length; // an interim answer: the real one follows, within the same header budget
    hop.status = int(status);
    // Followed by hand so that the target is checked before any traffic goes to it, and so that the
    // redirect's body (which may never end) is not read.
    if (isRedirect(status) && !hop.location.isEmpty()) {
        hop.redirect = hop.url.resolved(QUrl::fromEncoded(hop.location));
        return 0;
    }
    if (status > 299)
        return stop(hop, Ending::HttpStatus); // the body of an error page is of no use
    hop.announced = hop.chunked ? -1 : hop.contentLength;
    if (hop.announced > hop.maximumSize)
        return stop(hop, Ending::TooLarge);
    if (const QString refusal = hop.sink->begin(hop.announced); !refusal.isEmpty())
        return stop(hop, Ending::SinkFailed, refusal);
    hop.bodyStarted = true;
    return length;
}

size_t headerArrived(char* data, size_t size, size_t count, void* state) noexcept
{
    auto& hop = *static_cast<Hop*>(state);
    const size_t length = size * count;
    try {
        hop.headerBytes += qsizetype(length);
        if (length > size_t(maximumHeaderLine) || hop.headerBytes > maximumHeaderBytes)
            return stop(hop, Ending::HeadersTooLarge);
        const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
        if (line.isEmpty())
            return headersEnded(hop, length);
        if (line.startsWith("HTTP/")) { // a new answer starts
            hop.location.clear();
            hop.contentLength = -1;
            hop.chunked = false;
            return length;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return length;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "location") {
            hop.location = value;
        } else if (name == "content-length") {
            bool ok = false;
            const qint64 announced = value.toLongLong(&ok);
            // A length too large to read is no help either: the count below still holds.
            hop.contentLength = ok && announced >= 0 ? announced : -1;
        } else if (name == "transfer-encoding") {
            hop.chunked = value.toLower().contains("chunked");
        }
        return length;
    } catch (...) {
        return stop(hop, Ending::Failed, QStringLiteral("out of memory"));
    }
}

size_t bodyArrived(char* data, size_t size, size_t count, void* state) noexcept
{
    auto& hop = *static_cast<Hop*>(state);
    const size_t length = size * count;
    try {
        if (!hop.bodyStarted)
            return stop(hop, Ending::Failed, QStringLiteral("a body without headers"));
        hop.received += qint64(length);
        // curl refuses an announced length past its maximum itself; an unannounced one is counted here.
        if (hop.received > hop.maximumSize)
            return stop(hop, Ending::TooLarge);
        if (const QString problem = hop.sink->write(data, qsizetype(length)); !problem.isEmpty())
            return stop(hop, Ending::SinkFailed, problem);
        return length;
    } catch (...) {
        return stop(hop, Ending::Failed, QStringLiteral("out of memory"));
    }
}

int progressed(void* state, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept
{
    return static_cast<Hop*>(state)->control->isCancelled() ? 1 : 0;
}

// Runs the request until it ends, waking at once when it is cancelled.
CURLcode run(CURL* easy, TransferControl& control)
{
    CurlMulti multi(curl_multi_init());
    if (!multi)
        return CURLE_OUT_OF_MEMORY;
    const CurlAttachment attached(multi.get(), easy);
    if (!attached.added())
        return CURLE_FAILED_INIT;
    control.attach(multi.get());
    const struct Detach {
        TransferControl& control;
        ~Detach() { control.detach(); }
    } detach{control};
    for (;;) {
        if (control.isCancelled())
            return CURLE_ABORTED_BY_CALLBACK;
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        if (running == 0)
            break;
        // Returns early when curl's own timers (deadline, rate) are due, or on a wake-up.
        curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
    }
    CURLcode result = CURLE_FAILED_INIT;
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi.get(), &queued))
        if (message->msg == CURLMSG_DONE)
            result = message->data.result;
    return result;
}

// One request, every bound set on curl. Answers curl's result and its explanation.
std::pair<CURLcode, QString> request(const TransferRequest& request, qint64 timeLeftMs, Hop& hop)
{
    CurlEasy easy(curl_easy_init());
    if (!easy)
        return {CURLE_FAILED_INIT, QStringLiteral("no transfer could be set up")};
    hop.easy = easy.get();
    CURL* const e = easy.get();
    CurlList headers(curl_slist_append(nullptr, ("Accept: " + request.accept).constData()));
    char error[CURL_ERROR_SIZE] = {};
    const QByteArray url = hop.url.toEncoded();

    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(e, CURLOPT_URL, url.constData());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, loopbackHttpAllowed() ? "http,https" : "https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // No Accept-Encoding is sent and nothing is decoded: a compressed body stays as small as it came.
    curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_USERAGENT, request.userAgent.constData());
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L); // a cancelled name lookup is not waited for
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.certificateAuthorities.isEmpty()) {
        curl_blob authorities{const_cast<char*>(request.certificateAuthorities.constData()),
                              size_t(request.certificateAuthorities.size()), CURL_BLOB_COPY};
        curl_easy_setopt(e, CURLOPT_CAINFO_BLOB, &authorities);
    }
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(1, request.connectTimeoutMs)));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, long(std::max<qint64>(1, timeLeftMs)));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, long(std::max<qint64>(1, request.minimumRate)));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, long(std::max(1, (request.rateWindowMs + 999) / 1000)));
    if (request.maximumSize > 0) // 0 would mean no limit to curl; the count in bodyArrived holds it
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(request.maximumSize));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, headerArrived);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &hop);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, bodyArrived);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &hop);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, progressed);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &hop);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);

    const CURLcode result = run(e, *hop.control);
    return {result, error[0] ? QString::fromUtf8(error) : QString::fromUtf8(curl_easy_strerror(result))};
}

} // namespace

TransferOutcome performTransfer(const TransferRequest& transfer, TransferSink& sink, TransferControl& control)
{
    initialiseCurl();
    QElapsedTimer clock;
    clock.start();
    TransferOutcome outcome;
    const auto end = [&outcome](Ending ending, const QString& detail = {}) {
        outcome.ending = ending;
        outcome.detail = detail;
        return outcome;
    };
    QUrl url = transfer.url;
    bool viaHttps = false;
    for (int redirects = 0;; ++redirects) {
        outcome.url = url;
        if (!isAllowedUpdateUrl(url, viaHttps))
            return end(Ending::UnsafeRedirect, url.toString());
        viaHttps = viaHttps || url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
        const qint64 timeLeft = transfer.deadlineMs - clock.elapsed();
        if (timeLeft <= 0)
            return end(Ending::Deadline);

        Hop hop;
        hop.url = url;
        hop.sink = &sink;
        hop.control = &control;
        hop.maximumSize = transfer.maximumSize;
        const auto [result, reason] = request(transfer, timeLeft, hop);
        outcome.httpStatus = hop.status;
        // curl may refuse a length past the maximum before the headers end: the length read so far.
        outcome.announced = hop.bodyStarted || hop.chunked ? hop.announced : hop.contentLength;
        if (control.isCancelled())
            return end(Ending::Cancelled);
        if (hop.redirect) {
            if (redirects + 1 > transfer.maximumRedirects)
                return end(Ending::TooManyRedirects);
            url = *hop.redirect;
            continue;
        }
        if (hop.stoppedBy)
            return end(*hop.stoppedBy, hop.detail);
        switch (result) {
        case CURLE_OK:
            return end(hop.bodyStarted ? Ending::Completed : Ending::Failed, reason);
        case CURLE_FILESIZE_EXCEEDED:
            return end(Ending::TooLarge);
        case CURLE_ABORTED_BY_CALLBACK:
            return end(Ending::Cancelled);
        case CURLE_OPERATION_TIMEDOUT:
            // One error for three bounds: the clock tells the deadline; before the headers were in,
            // the server never answered; after, it sent too slowly.
            if (clock.elapsed() + 20 >= transfer.deadlineMs)
                return end(Ending::Deadline);
            return end(hop.bodyStarted ? Ending::TooSlow : Ending::NoAnswer);
        default:
            return end(Ending::Failed, reason);
        }
    }
}

} // namespace KestrelUpdater

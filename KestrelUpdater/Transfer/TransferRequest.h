#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace KestrelUpdater {

// One GET of the updater and every bound it runs under. HTTPS only (plain HTTP to loopback only where
// the build allows it), TLS checked against the system's certificates, the body never decoded.
struct TransferRequest {
    QUrl url;
    QByteArray accept = "*/*";
    QByteArray userAgent;
    int maximumRedirects = 5;
    // No body longer than this, announced or counted (0: none at all).
    qint64 maximumSize = 0;
    // Connecting, and the first answer, within this time.
    int connectTimeoutMs = 30000;
    // Fewer bytes a second than this, averaged over the window, end the transfer.
    qint64 minimumRate = 1;
    int rateWindowMs = 30000;
    // The whole transfer, redirects included.
    int deadlineMs = 60000;
    // PEM certificates trusted in place of the system's; empty in the application (see LoopbackHttp.h).
    QByteArray certificateAuthorities;
};

// How a transfer ended. The caller words the message; `detail` is what it needs for that.
struct TransferOutcome {
    enum class Ending {
        Completed,        // a 2xx answer, read to its end
        Cancelled,        // asked to stop
        UnsafeRedirect,   // detail: the target
        TooManyRedirects, //
        HttpStatus,       // an answer other than 2xx or a followed redirect; its body is not read
        HeadersTooLarge,  // a header line or all of them together past the bounds
        TooLarge,         // announced or counted past maximumSize
        NoAnswer,         // no connection or no answer within connectTimeoutMs
        TooSlow,          // below minimumRate over a window
        Deadline,         // past deadlineMs
        SinkFailed,       // the sink refused or could not keep the body; detail: its reason
        Failed,           // anything else (TLS, DNS, connection); detail: curl's reason
    };

    Ending ending = Ending::Failed;
    int httpStatus = 0;
    QUrl url;              // where the last request went
    qint64 announced = -1; // the final answer's Content-Length, if any
    QString detail;
};

// Where a transfer's body goes. Called on the worker thread; nothing may throw out of it.
class TransferSink {
public:
    virtual ~TransferSink() = default;
    // The final answer's headers are in (2xx); `announced` is its length or -1. A reason refuses the
    // body before any byte of it is taken.
    virtual QString begin(qint64 announced)
    {
        (void)announced;
        return {};
    }
    // Takes the next piece of the body; a reason stops the transfer.
    virtual QString write(const char* bytes, qsizetype size) = 0;
};

} // namespace KestrelUpdater

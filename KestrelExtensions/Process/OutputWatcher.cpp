#include "OutputWatcher.h"

#include "KestrelExtensions/Regex/RegularExpression.h"
#include "KestrelExtensions/String/StrictUtf8.h"

#include <QSocketNotifier>
#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace KestrelExtensions {

namespace {

const std::optional<RegularExpression>& statusSequence()
{
    static const std::optional<RegularExpression> expression =
        RegularExpression::make(QStringLiteral("\\033]\\d;(\\w+)\\007"));
    return expression;
}

} // namespace

OutputWatcher::OutputWatcher(int descriptor, Handler handler, QObject* parent)
    : QObject(parent), m_descriptor(descriptor), m_handler(std::move(handler)),
      m_notifier(new QSocketNotifier(qintptr(descriptor), QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &OutputWatcher::readChunk);
}

OutputWatcher::~OutputWatcher() = default;

bool OutputWatcher::isWatching() const
{
    return m_notifier->isEnabled();
}

void OutputWatcher::readChunk()
{
    // Everything available now is one chunk.
    int available = 0;
    if (::ioctl(m_descriptor, FIONREAD, &available) != 0 || available <= 0)
        available = 64 * 1024;
    QByteArray chunk(available, Qt::Uninitialized);
    ssize_t count = 0;
    do {
        count = ::read(m_descriptor, chunk.data(), size_t(chunk.size()));
    } while (count < 0 && errno == EINTR);
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (count <= 0) {
        // End of file (or a dead descriptor): a readable descriptor at its end would signal for ever.
        m_notifier->setEnabled(false);
        emit finished();
        return;
    }
    chunk.truncate(count);
    const auto text = decodeUtf8Strictly(chunk);
    const auto& expression = statusSequence();
    if (!text || !expression)
        return;
    const auto match = expression->firstMatch(*text);
    if (!match)
        return;
    const auto word = match->string(expression->numberOfCaptureGroups() == 1 ? 1 : 0, *text);
    if (word && m_handler)
        m_handler(*word);
}

OutputWatcher* watchOutput(int descriptor, OutputWatcher::Handler handler, QObject* parent)
{
    return new OutputWatcher(descriptor, std::move(handler), parent);
}

} // namespace KestrelExtensions

#include "DecoderProcess.h"

#include "Cancellation.h"
#include "DecoderProtocol.h"
#include "ImageReader.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace RuvedovUzedoz {

namespace {

constexpr const char* programName = "sheetwright-decoder";

std::mutex pathMutex;
QByteArray& programOverride()
{
    static QByteArray path;
    return path;
}

struct OwnedDescriptor {
    int fd = -1;
    ~OwnedDescriptor() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

QByteArray programPath()
{
    {
        std::lock_guard lock(pathMutex);
        if (!programOverride().isEmpty())
            return programOverride();
    }
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        QByteArray beside(self, length);
        beside.truncate(beside.lastIndexOf('/') + 1);
        beside += programName;
        if (::access(beside.constData(), X_OK) == 0)
            return beside;
    }
#ifdef SHEETWRIGHT_DECODER_BUILD_PATH
    return QByteArrayLiteral(SHEETWRIGHT_DECODER_BUILD_PATH);
#else
    return {};
#endif
}

QString signalName(int signal)
{
    const char* name = ::strsignal(signal);
    return QStringLiteral("signal %1%2")
        .arg(signal)
        .arg(name ? QStringLiteral(", ") + QString::fromLocal8Bit(name) : QString());
}

// The running decoder program; killed and reaped if it is still running when this goes.
class Child {
public:
    explicit Child(pid_t pid) : m_pid(pid) {}
    ~Child()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // How the program ended, as a reason when it did not end well; nullopt when it exited with 0 or 1
    // (1: it answered with its own reason). Waits at most until `deadline`.
    std::optional<QString> end(std::chrono::steady_clock::time_point deadline)
    {
        int status = 0;
        for (;;) {
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid)
                break;
            if (done < 0 && errno != EINTR)
                return QStringLiteral("its decoder vanished");
            if (std::chrono::steady_clock::now() > deadline)
                return std::nullopt; // the answer is complete; the destructor stops it
            ::usleep(1000);
        }
        m_pid = -1;
        if (WIFSIGNALED(status))
            return QStringLiteral("its decoder stopped (%1)").arg(signalName(WTERMSIG(status)));
        if (WIFEXITED(status) && WEXITSTATUS(status) > 1)
            return QStringLiteral("its decoder failed (exit status %1)").arg(WEXITSTATUS(status));
        return std::nullopt;
    }

private:
    pid_t m_pid;
};

enum class Wait { Ready, Closed, Cancelled, TimedOut };

// Reads `size` bytes from the decoder's output, giving up when it is cancelled or out of time.
Wait readAnswer(int fd, char* data, size_t size, const Cancellation* cancellation,
                std::chrono::steady_clock::time_point deadline)
{
    while (size > 0) {
        if (cancellation && cancellation->isCancelled())
            return Wait::Cancelled;
        if (std::chrono::steady_clock::now() > deadline)
            return Wait::TimedOut;
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, 50);
        if (polled < 0 && errno != EINTR)
            return Wait::Closed;
        if (polled <= 0)
            continue;
        const ssize_t count = ::read(fd, data, size);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count <= 0)
            return Wait::Closed;
        data += count;
        size -= size_t(count);
    }
    return Wait::Ready;
}

} // namespace

void DecoderProcess::setProgramPath(const QByteArray& path)
{
    std::lock_guard lock(pathMutex);
    programOverride() = path;
}

std::variant<DecoderProcess::Raster, QString> DecoderProcess::decode(const QByteArray& loader,
                                                                     const QByteArray& bytes, QSizeF box,
                                                                     const ImageSettings& settings,
                                                                     const Cancellation* cancellation)
{
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    const QByteArray program = programPath();
    if (program.isEmpty() || ::access(program.constData(), X_OK) != 0)
        return QStringLiteral("its decoder program %1 is missing").arg(QString::fromLatin1(programName));

    DecoderProtocol::Request request;
    std::strncpy(request.loader, loader.constData(), sizeof request.loader - 1);
    request.boxWidth = box.width();
    request.boxHeight = box.height();
    request.compress = settings.compress ? 1 : 0;
    request.quality = settings.quality;
    request.scaleFactor = settings.scaleFactor;
    request.resolution = settings.resolution;
    request.sizeMax = settings.sizeMax;
    request.sizeMin = settings.sizeMin;
    request.length = uint64_t(bytes.size());

    // The request goes in as a file, so the program can never block the engine while reading it.
    OwnedDescriptor input{::memfd_create("sheetwright-decoder-input", MFD_CLOEXEC)};
    if (input.fd < 0 ||
        !DecoderProtocol::writeFully(input.fd, reinterpret_cast<const char*>(&request), sizeof request) ||
        !DecoderProtocol::writeFully(input.fd, bytes.constData(), size_t(bytes.size())) ||
        ::lseek(input.fd, 0, SEEK_SET) != 0)
        return QStringLiteral("its decoder cannot be started (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return QStringLiteral("its decoder cannot be started (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    OwnedDescriptor output{pipe[0]};
    OwnedDescriptor outputEnd{pipe[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.fd, 0);
    posix_spawn_file_actions_adddup2(&actions, outputEnd.fd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* arguments[] = {const_cast<char*>(programName), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.constData(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return QStringLiteral("its decoder cannot be started (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(spawned)));
    Child child(pid);
    outputEnd.reset();
    input.reset();

    const auto stopped = [&](Wait wait) -> QString {
        switch (wait) {
        case Wait::Cancelled:
            return QStringLiteral("the render was cancelled");
        case Wait::TimedOut:
            return QStringLiteral("its decoder took longer than %1 s").arg(timeLimit.count());
        default:
            break;
        }
        return child.end(deadline).value_or(QStringLiteral("its decoder gave no answer"));
    };
    DecoderProtocol::Response response;
    if (const Wait wait = readAnswer(output.fd, reinterpret_cast<char*>(&response), sizeof response,
                                     cancellation, deadline);
        wait != Wait::Ready)
        return stopped(wait);
    if (std::memcmp(response.magic, DecoderProtocol::Response().magic, 4) != 0)
        return QStringLiteral("its decoder gave no answer");
    const bool sane =
        response.ok ? response.width > 0 && response.height > 0 &&
                          qint64(response.width) * response.height <= ImageReader::maximumDecodedPixels &&
                          (response.bands == 3 || response.bands == 4) &&
                          response.length ==
                              uint64_t(response.width) * uint64_t(response.height) * uint64_t(response.bands)
                    : response.length < 4096;
    if (!sane)
        return QStringLiteral("its decoder gave a damaged answer");
    QByteArray payload(qsizetype(response.length), Qt::Uninitialized);
    if (const Wait wait =
            readAnswer(output.fd, payload.data(), size_t(payload.size()), cancellation, deadline);
        wait != Wait::Ready)
        return stopped(wait);
    if (const std::optional<QString> ended = child.end(deadline))
        return *ended;
    if (!response.ok)
        return QString::fromUtf8(payload);
    Raster raster;
    raster.pixels = std::move(payload);
    raster.width = response.width;
    raster.height = response.height;
    raster.bands = response.bands;
    raster.sourceSize = QSize(response.sourceWidth, response.sourceHeight);
    return raster;
}

} // namespace RuvedovUzedoz

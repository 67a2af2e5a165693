// Not called by the application: kept as a library service for other users.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace KestrelExtensions {

// Watches one file descriptor (typically the reading end of a child's output pipe) and reports status
// words a tool announces with the terminal's set-title sequence (ESC ] digit ; word BEL). Each chunk of
// output that arrives yields at most its first word; a sequence split across chunks, or a chunk that
// is not valid UTF-8, yields nothing. At end of file the watcher stops and emits `finished`. The
// handler runs on the thread that owns the watcher, from its event loop. The descriptor stays the
// caller's: it is never closed here.
class OutputWatcher : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& word)>;

    OutputWatcher(int descriptor, Handler handler, QObject* parent = nullptr);
    ~OutputWatcher() override;

    int descriptor() const { return m_descriptor; }
    bool isWatching() const;

signals:
    void finished();

private:
    void readChunk();

    int m_descriptor;
    Handler m_handler;
    QSocketNotifier* m_notifier;
};

// Starts watching `descriptor`; the watcher belongs to `parent` (or to the caller when none).
OutputWatcher* watchOutput(int descriptor, OutputWatcher::Handler handler, QObject* parent = nullptr);

} // namespace KestrelExtensions

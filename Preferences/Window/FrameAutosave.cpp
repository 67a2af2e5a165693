#include "FrameAutosave.h"

#include "KestrelExtensions/Defaults/UserDefaults.h"

#include <QEvent>
#include <QStringList>
#include <QWidget>

namespace Preferences {

FrameAutosave::FrameAutosave(QWidget* window, QString name, KestrelExtensions::UserDefaults& store,
                             QObject* parent)
    : QObject(parent), m_window(window), m_name(std::move(name)), m_store(store)
{
    if (m_window)
        m_window->installEventFilter(this);
}

void FrameAutosave::save()
{
    if (m_window && !m_name.isEmpty())
        m_store.setString(m_name, frameString(m_window->geometry()));
}

std::optional<QRect> FrameAutosave::savedFrame(const QString& name,
                                               const KestrelExtensions::UserDefaults& store)
{
    const std::optional<QString> text = store.string(name);
    return text ? parseFrameString(*text) : std::nullopt;
}

QString FrameAutosave::frameString(const QRect& frame)
{
    return QStringLiteral("%1 %2 %3 %4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
}

std::optional<QRect> FrameAutosave::parseFrameString(const QString& text)
{
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return std::nullopt;
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return std::nullopt;
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

bool FrameAutosave::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && m_window->isVisible()) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Close:
            save();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Preferences

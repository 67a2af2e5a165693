// Not called by the application: kept as a library service for other users.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <optional>

class QWidget;

namespace KestrelExtensions {
class UserDefaults;
}

namespace Preferences {

// Keeps a window's frame in the user-defaults store under an autosave name, written whenever the window
// moves, resizes or closes, so the next session can put it back. The frame is the window's own area
// without the window manager's decoration (QWidget::geometry), and is put back as such with
// QWidget::setGeometry: the decoration is unknown until the window manager has framed the window, so a
// position taken with it but restored without it would move the window by the title bar at every start.
class FrameAutosave : public QObject {
    Q_OBJECT
public:
    FrameAutosave(QWidget* window, QString name, KestrelExtensions::UserDefaults& store,
                  QObject* parent = nullptr);

    const QString& name() const { return m_name; }
    void save();

    // The stored frame as "x y width height"; absent when nothing or something unreadable is stored.
    static std::optional<QRect> savedFrame(const QString& name, const KestrelExtensions::UserDefaults& store);
    static QString frameString(const QRect& frame);
    static std::optional<QRect> parseFrameString(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    QString m_name;
    KestrelExtensions::UserDefaults& m_store;
};

} // namespace Preferences

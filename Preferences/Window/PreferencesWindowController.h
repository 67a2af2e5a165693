// Not called by the application: kept as a library service for other users.
#pragma once

#include "Preferences/Pane/PreferencePane.h"
#include "Preferences/Pane/Style.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

namespace KestrelExtensions {
class UserDefaults;
}

namespace Preferences {

class FrameAutosave;
class PreferencesTabViewController;
class UserInteractionPausableWindow;

// Shows a list of panes in one settings window: titled and closable, sized to the shown pane, switched by
// a toolbar or a segmented control, placed in the middle of the screen the first time and where the user
// left it afterwards.
class PreferencesWindowController : public QObject {
    Q_OBJECT
public:
    static inline const QString frameAutosaveName =
        QStringLiteral("com.ardentmoss.Preferences.FrameAutosaveName");

    // Takes ownership of the panes. An empty list is a programming error (std::invalid_argument). The
    // frame is kept in `store`, the standard user-defaults store when none is given.
    explicit PreferencesWindowController(QList<PreferencePane*> preferences,
                                         Style style = Style::toolbarItems, bool animated = true,
                                         bool hidesToolbarForSingleItem = true,
                                         KestrelExtensions::UserDefaults* store = nullptr);
    // Converts each value with asPreferencePane(), in order.
    explicit PreferencesWindowController(const QList<const PreferencePaneConvertible*>& preferences,
                                         Style style = Style::toolbarItems, bool animated = true,
                                         bool hidesToolbarForSingleItem = true,
                                         KestrelExtensions::UserDefaults* store = nullptr);
    ~PreferencesWindowController() override;

    UserInteractionPausableWindow* window() const;
    PreferencesTabViewController* tabViewController() const { return m_tabViewController; }

    bool hidesToolbarForSingleItem() const { return m_hidesToolbarForSingleItem; }
    void setHidesToolbarForSingleItem(bool hides);
    bool isAnimated() const;
    void setAnimated(bool animated);
    // Linux window managers always draw the title; this records whether the window asks to hide it (the
    // segmented style with several panes shows its control instead).
    bool isTitleVisible() const { return m_titleVisible; }

    // Shows the window with the given pane, or the shown pane, or the first one.
    void show(const std::optional<PaneIdentifier>& preferencePane = std::nullopt);

private:
    void applyToolbarVisibility();
    void placeWindow();

    std::unique_ptr<UserInteractionPausableWindow> m_window;
    QPointer<PreferencesTabViewController> m_tabViewController;
    KestrelExtensions::UserDefaults& m_store;
    FrameAutosave* m_autosave = nullptr;
    bool m_hidesToolbarForSingleItem = true;
    bool m_titleVisible = true;
};

} // namespace Preferences

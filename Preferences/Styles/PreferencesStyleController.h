// Not called by the application: kept as a library service for other users.
#pragma once

#include "Preferences/Pane/PaneIdentifier.h"

#include <QStringList>

class QAction;
class QObject;

namespace Preferences {

// What a style controller reports back when the user picks a pane.
class PreferencesStyleControllerDelegate {
public:
    virtual ~PreferencesStyleControllerDelegate() = default;
    virtual void activateTab(int index, bool animated) = 0;
    virtual void activateTab(const PaneIdentifier& preferenceIdentifier, bool animated) = 0;
};

// Fills a settings window's toolbar with the controls of one style and turns the user's pick into a
// pane switch. The delegate is not owned (it owns the style controller).
class PreferencesStyleController {
public:
    virtual ~PreferencesStyleController() = default;

    PreferencesStyleControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(PreferencesStyleControllerDelegate* delegate) { m_delegate = delegate; }

    // Whether the window keeps its horizontal centre when it resizes to a pane.
    virtual bool keepsWindowCentered() const = 0;
    // The toolbar's items, in order; may include PreferencesToolbar::flexibleSpaceIdentifier.
    virtual QStringList toolbarItemIdentifiers() const = 0;
    // A new toolbar item for one of the listed identifiers, parented to `parent`. Any other identifier is
    // a programming error (std::invalid_argument).
    virtual QAction* toolbarItem(const PaneIdentifier& preferenceIdentifier, QObject* parent) = 0;
    // Marks the pane at `index` as selected; an index outside the panes is a programming error
    // (std::out_of_range).
    virtual void selectTab(int index) = 0;

private:
    PreferencesStyleControllerDelegate* m_delegate = nullptr;
};

} // namespace Preferences

// Not called by the application: kept as a library service for other users.
#pragma once

#include "PaneIdentifier.h"

#include <QIcon>
#include <QWidget>

namespace Preferences {

// The contract of one pane of a settings window: a widget that names itself, titles itself (toolbar
// label, segment label, window title) and may give a toolbar icon.
class PreferencePane : public QWidget {
    Q_OBJECT
public:
    explicit PreferencePane(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual PaneIdentifier preferencePaneIdentifier() const = 0;
    virtual QString preferencePaneTitle() const = 0;
    // A pane without an icon of its own shows an empty (null) one.
    virtual QIcon toolbarItemIcon() const { return QIcon(); }

    // The toolbar item of this pane carries the identifier's raw string.
    QString toolbarItemIdentifier() const { return preferencePaneIdentifier().rawValue; }
};

// Anything that can become a pane; the caller owns the pane it answers.
class PreferencePaneConvertible {
public:
    virtual ~PreferencePaneConvertible() = default;
    virtual PreferencePane* asPreferencePane() const = 0;
};

} // namespace Preferences

// Not called by the application: kept as a library service for other users.
#pragma once

#include "Preferences/Pane/PreferencePane.h"
#include "PreferencesStyleController.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace Preferences {

class PreferencesToolbar;

// The toolbar-items style: one selectable toolbar item per pane, showing its title and icon.
class ToolbarItemStyleViewController : public QObject, public PreferencesStyleController {
    Q_OBJECT
public:
    ToolbarItemStyleViewController(QList<PreferencePane*> preferencePanes, PreferencesToolbar* toolbar,
                                   QObject* parent = nullptr);

    const QList<PreferencePane*>& preferencePanes() const { return m_panes; }
    PreferencesToolbar* toolbar() const { return m_toolbar; }

    bool keepsWindowCentered() const override { return false; }
    QStringList toolbarItemIdentifiers() const override;
    QAction* toolbarItem(const PaneIdentifier& preferenceIdentifier, QObject* parent) override;
    void selectTab(int index) override;

public slots:
    void toolbarItemSelected(QAction* sender);

private:
    QList<PreferencePane*> m_panes;
    QPointer<PreferencesToolbar> m_toolbar;
};

} // namespace Preferences

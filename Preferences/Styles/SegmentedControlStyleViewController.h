// Not called by the application: kept as a library service for other users.
#pragma once

#include "Preferences/Pane/PreferencePane.h"
#include "PreferencesStyleController.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSizeF>

namespace Preferences {

class SegmentedControl;

// The segmented-control style: one control, centred between flexible spaces, with a segment per pane.
// Its view (the control) is made when first needed.
class SegmentedControlStyleViewController : public QObject, public PreferencesStyleController {
    Q_OBJECT
public:
    static inline const QString itemIdentifier = QStringLiteral("toolbarSegmentedControlItem");
    static inline const QString controlIdentifier = QStringLiteral("toolbarSegmentedControl");
    static inline const QString segmentPrefix = QStringLiteral("segment-");
    static constexpr double extraSegmentWidth = 36;
    static constexpr double extraSegmentHeight = 12;

    explicit SegmentedControlStyleViewController(QList<PreferencePane*> preferencePanes,
                                                 QObject* parent = nullptr);
    ~SegmentedControlStyleViewController() override;

    const QList<PreferencePane*>& preferencePanes() const { return m_panes; }

    // The segmented control; built on first call. Owned by whoever holds it in a toolbar, else by this.
    QWidget* view();
    SegmentedControl* buildSegmentedControl();
    // The widest and, separately, the tallest title in the interface font, plus the segment padding.
    QSizeF measureSegmentSize() const;
    static QSizeF segmentSize(const QList<QSizeF>& titleSizes);

    bool keepsWindowCentered() const override { return true; }
    QStringList toolbarItemIdentifiers() const override;
    QAction* toolbarItem(const PaneIdentifier& preferenceIdentifier, QObject* parent) override;
    void selectTab(int index) override;

    // The item group's menu form: one entry per pane, tagged with its index (the toolbar's overflow and
    // the control's context menu show it). Null until the toolbar item is made.
    QMenu* overflowMenu() const { return m_menu; }

public slots:
    void segmentedControlAction(SegmentedControl* sender);
    void segmentedControlMenuAction(QAction* sender);

private:
    QList<PreferencePane*> m_panes;
    QPointer<SegmentedControl> m_control;
    QPointer<QMenu> m_menu;
};

} // namespace Preferences

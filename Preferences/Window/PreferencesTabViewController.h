// Not called by the application: kept as a library service for other users.
#pragma once

#include "PinToSuperviewEdges.h"
#include "Preferences/Pane/PreferencePane.h"
#include "Preferences/Pane/Style.h"
#include "Preferences/Styles/PreferencesStyleController.h"
#include "PreferencesToolbar.h"

#include <QAbstractAnimation>
#include <QEasingCurve>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
class QMainWindow;

namespace Preferences {

class UserInteractionPausableWindow;

// The content of a settings window: holds the panes, shows one at a time filling the window, makes the
// toolbar and the style controller that fills it, switches panes (crossfading while the window resizes
// to the new pane) and titles the window.
class PreferencesTabViewController : public QWidget,
                                     public PreferencesStyleControllerDelegate,
                                     public PreferencesToolbarDelegate {
    Q_OBJECT
public:
    enum class TransitionOption {
        none = 0,
        crossfade = 0x1,
        slideUp = 0x10,
        slideDown = 0x20,
        slideLeft = 0x40,
        slideRight = 0x80,
        slideForward = 0x140,
        slideBackward = 0x180,
        allowUserInteraction = 0x1000,
    };
    Q_DECLARE_FLAGS(TransitionOptions, TransitionOption)

    static inline const QString toolbarIdentifier = QStringLiteral("PreferencesToolbar");
    static inline const QString unknownApplicationName = QStringLiteral("<Unknown App Name>");
    static constexpr int transitionDurationMs = 250;
    // The options that animate a switch: the crossfade and every slide.
    static constexpr int animatingOptions = 0x1F1;

    explicit PreferencesTabViewController(QWidget* parent = nullptr);
    ~PreferencesTabViewController() override;

    std::optional<int> activeTab() const { return m_activeTab; }
    const QList<PreferencePane*>& preferencePanes() const { return m_panes; }
    std::optional<Style> style() const { return m_style; }
    PreferencesStyleController* preferencesStyleController() const { return m_styleController.get(); }
    PreferencesToolbar* toolbar() const { return m_toolbar; }
    bool isAnimated() const { return m_animated; }
    void setAnimated(bool animated) { m_animated = animated; }
    const EdgeConstraints& activeChildViewConstraints() const { return m_activeConstraints; }

    // Takes the panes (they become children of this view); the view must already be the central widget of
    // a window (std::logic_error otherwise). Called once.
    void setUp(QList<PreferencePane*> preferencePanes, Style style);

    void activateTab(int index, bool animated) override;
    void activateTab(const PaneIdentifier& preferenceIdentifier, bool animated) override;

    // Replaces `from` by `to` in its place; animating options crossfade while the window fits `to`.
    void transition(QWidget* from, QWidget* to, TransitionOptions options,
                    std::function<void()> completion = {});
    bool isTransitioning() const { return m_transition != nullptr; }
    // Ends a running transition at its final state.
    void finishTransition();

    // A single pane titles the window "<application> <Preferences word>"; several panes title it after the
    // shown pane.
    QString windowTitleForTab(int index) const;
    static QString applicationName();
    static QString applicationName(const QString& displayName, const QString& name,
                                   const QString& executable);

    // The window size that shows `pane` at its fitting size below the toolbar.
    QSize windowSizeFor(const QWidget* pane) const;
    // Sizes the window to the active pane at once, keeping its top-left corner.
    void refitWindow();

    // The pane-switch timing: ease in, ease out.
    static QEasingCurve timingFunction();

    QStringList toolbarDefaultItemIdentifiers() const override;
    QStringList toolbarAllowedItemIdentifiers() const override;
    QStringList toolbarSelectableItemIdentifiers() const override;
    QAction* toolbarItem(const QString& identifier, QObject* parent) override;

signals:
    void transitionFinished();

private:
    UserInteractionPausableWindow* hostWindow() const;
    QRect fittedFrame(const QWidget* pane) const;
    void setWindowFrame(const QRect& frame);
    void replaceChild(QWidget* from, QWidget* to);
    void runAnimatedTransition(QWidget* from, QWidget* to, std::function<void()> completion);

    std::optional<int> m_activeTab;
    QList<PreferencePane*> m_panes;
    std::optional<Style> m_style;
    std::unique_ptr<PreferencesStyleController> m_styleController;
    bool m_animated = true;
    EdgeConstraints m_activeConstraints;
    QPointer<PreferencesToolbar> m_toolbar;
    QPointer<QAbstractAnimation> m_transition;
    QPointer<QLabel> m_transitionOverlay;
    std::function<void()> m_transitionCompletion;
    bool m_interactionBeforeTransition = true;
};

} // namespace Preferences

Q_DECLARE_OPERATORS_FOR_FLAGS(Preferences::PreferencesTabViewController::TransitionOptions)

#include "PreferencesTabViewController.h"

#include "Preferences/Localization/Localization.h"
#include "Preferences/Styles/SegmentedControlStyleViewController.h"
#include "Preferences/Styles/ToolbarItemStyleViewController.h"
#include "UserInteractionPausableWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <stdexcept>
#include <utility>

namespace Preferences {

PreferencesTabViewController::PreferencesTabViewController(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

PreferencesTabViewController::~PreferencesTabViewController()
{
    if (m_transition)
        m_transition->stop();
    if (m_styleController)
        m_styleController->setDelegate(nullptr);
}

UserInteractionPausableWindow* PreferencesTabViewController::hostWindow() const
{
    return qobject_cast<UserInteractionPausableWindow*>(window());
}

QEasingCurve PreferencesTabViewController::timingFunction()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

void PreferencesTabViewController::setUp(QList<PreferencePane*> preferencePanes, Style style)
{
    UserInteractionPausableWindow* window = hostWindow();
    if (!window)
        throw std::logic_error("the settings tab controller must be set up inside its window");
    m_panes = std::move(preferencePanes);
    m_style = style;
    for (PreferencePane* pane : std::as_const(m_panes)) {
        pane->setParent(this);
        pane->hide();
    }

    m_toolbar = new PreferencesToolbar(toolbarIdentifier, window);
    if (style == Style::segmentedControl)
        m_styleController = std::make_unique<SegmentedControlStyleViewController>(m_panes);
    else
        m_styleController = std::make_unique<ToolbarItemStyleViewController>(m_panes, m_toolbar);
    m_styleController->setDelegate(this);
    m_toolbar->setDelegate(this);
    m_toolbar->reloadItems();
    window->addToolBar(Qt::TopToolBarArea, m_toolbar);
}

void PreferencesTabViewController::activateTab(const PaneIdentifier& preferenceIdentifier, bool animated)
{
    int index = 0;
    for (int i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i]->preferencePaneIdentifier() == preferenceIdentifier) {
            index = i;
            break;
        }
    }
    activateTab(index, animated);
}

void PreferencesTabViewController::activateTab(int index, bool animated)
{
    if (index < 0 || index >= m_panes.size())
        throw std::out_of_range("no settings pane at that index");
    if (!hostWindow())
        throw std::logic_error("the settings tab controller switches panes only inside its window");

    if (!m_activeTab) {
        PreferencePane* pane = m_panes[index];
        pane->setParent(this);
        m_activeConstraints = pinToSuperviewEdges(pane);
        setWindowFrame(fittedFrame(pane));
    } else if (*m_activeTab != index) {
        finishTransition();
        PreferencePane* from = m_panes[*m_activeTab];
        PreferencePane* to = m_panes[index];
        const bool animate = animated && m_animated;
        m_activeConstraints.remove();
        auto pin = [this, to] { m_activeConstraints = pinToSuperviewEdges(to); };
        if (animate) {
            runAnimatedTransition(from, to, pin);
        } else {
            replaceChild(from, to);
            pin();
            // Nothing resizes the window for us here, so it is fitted to the new pane at once.
            setWindowFrame(fittedFrame(to));
        }
    }

    m_activeTab = index;
    m_styleController->selectTab(index);
    if (UserInteractionPausableWindow* window = hostWindow())
        window->setWindowTitle(windowTitleForTab(index));
}

void PreferencesTabViewController::replaceChild(QWidget* from, QWidget* to)
{
    QWidget* superview = from->parentWidget() ? from->parentWidget() : this;
    if (QLayout* layout = superview->layout())
        layout->removeWidget(from);
    from->hide();
    to->setParent(superview);
    if (QLayout* layout = superview->layout())
        layout->addWidget(to);
    to->show();
}

void PreferencesTabViewController::transition(QWidget* from, QWidget* to, TransitionOptions options,
                                              std::function<void()> completion)
{
    if (!from || !to)
        return;
    finishTransition();
    if (int(options) & animatingOptions) {
        runAnimatedTransition(from, to, std::move(completion));
        return;
    }
    replaceChild(from, to);
    if (completion)
        completion();
}

void PreferencesTabViewController::runAnimatedTransition(QWidget* from, QWidget* to,
                                                         std::function<void()> completion)
{
    UserInteractionPausableWindow* window = hostWindow();

    // The old pane fades out as a picture above the new one while the window resizes under both.
    auto* overlay = new QLabel(this);
    overlay->setPixmap(from->grab());
    overlay->setGeometry(from->geometry());
    auto* fade = new QGraphicsOpacityEffect(overlay);
    fade->setOpacity(1.0);
    overlay->setGraphicsEffect(fade);
    replaceChild(from, to);
    overlay->show();
    overlay->raise();
    m_transitionOverlay = overlay;
    m_transitionCompletion = std::move(completion);

    auto* group = new QParallelAnimationGroup(this);
    auto* fadeOut = new QPropertyAnimation(fade, "opacity", group);
    fadeOut->setDuration(transitionDurationMs);
    fadeOut->setEasingCurve(timingFunction());
    fadeOut->setStartValue(1.0);
    fadeOut->setEndValue(0.0);
    if (window) {
        auto* resize = new QVariantAnimation(group);
        resize->setDuration(transitionDurationMs);
        resize->setEasingCurve(timingFunction());
        resize->setStartValue(QRect(window->pos(), window->size()));
        resize->setEndValue(fittedFrame(to));
        connect(resize, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { setWindowFrame(value.toRect()); });
        // Clicks and keys during the switch would land on a pane that is going away.
        m_interactionBeforeTransition = window->isUserInteractionEnabled();
        window->setUserInteractionEnabled(false);
    }
    connect(group, &QAbstractAnimation::finished, this, [this, group, window] {
        delete m_transitionOverlay;
        if (window)
            window->setUserInteractionEnabled(m_interactionBeforeTransition);
        m_transition = nullptr;
        group->deleteLater();
        if (auto completion = std::exchange(m_transitionCompletion, {}))
            completion();
        emit transitionFinished();
    });
    m_transition = group;
    group->start();
}

void PreferencesTabViewController::finishTransition()
{
    if (!m_transition)
        return;
    QAbstractAnimation* running = m_transition;
    // Jumping to the end delivers the final values and the finished signal.
    running->setCurrentTime(running->totalDuration());
    if (m_transition == running)
        running->stop();
}

QString PreferencesTabViewController::windowTitleForTab(int index) const
{
    if (m_panes.size() < 2)
        return applicationName() + u' ' + Localization::localizedTitle(Localization::Identifier::preferences);
    if (index < 0 || index >= m_panes.size())
        return QString();
    return m_panes[index]->preferencePaneTitle();
}

QString PreferencesTabViewController::applicationName()
{
    // A display name that was never set reads back as the application name; the executable comes last.
    return applicationName(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName(),
                           QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString PreferencesTabViewController::applicationName(const QString& displayName, const QString& name,
                                                      const QString& executable)
{
    for (const QString* candidate : {&displayName, &name, &executable})
        if (!candidate->isEmpty())
            return *candidate;
    return unknownApplicationName;
}

QSize PreferencesTabViewController::windowSizeFor(const QWidget* pane) const
{
    const QSize content =
        pane ? pane->sizeHint().expandedTo(pane->minimumSizeHint()).expandedTo(pane->minimumSize())
             : QSize(0, 0);
    int width = content.width();
    int height = content.height();
    if (m_toolbar && !m_toolbar->isHidden()) {
        const QSize bar = m_toolbar->sizeHint();
        height += bar.height();
        // The toolbar's controls stay whole even above a narrow pane.
        width = std::max(width, bar.width());
    }
    return {std::max(width, 1), std::max(height, 1)};
}

QRect PreferencesTabViewController::fittedFrame(const QWidget* pane) const
{
    const UserInteractionPausableWindow* window = hostWindow();
    // Positions are the window's outer top-left (what move() takes); sizes are its content size.
    const QRect current = window ? QRect(window->pos(), window->size()) : QRect();
    const QSize size = windowSizeFor(pane);
    // Screen coordinates grow downwards, so keeping the top edge means keeping y.
    QPoint origin = current.topLeft();
    if (m_styleController && m_styleController->keepsWindowCentered())
        origin.rx() += (current.width() - size.width()) / 2;
    return {origin, size};
}

void PreferencesTabViewController::setWindowFrame(const QRect& frame)
{
    UserInteractionPausableWindow* window = hostWindow();
    if (!window)
        return;
    window->setFixedSize(frame.size());
    window->move(frame.topLeft());
}

void PreferencesTabViewController::refitWindow()
{
    if (!m_activeTab)
        return;
    UserInteractionPausableWindow* window = hostWindow();
    if (!window)
        return;
    setWindowFrame(QRect(window->pos(), windowSizeFor(m_panes[*m_activeTab])));
}

QStringList PreferencesTabViewController::toolbarDefaultItemIdentifiers() const
{
    return m_styleController ? m_styleController->toolbarItemIdentifiers() : QStringList();
}

QStringList PreferencesTabViewController::toolbarAllowedItemIdentifiers() const
{
    return toolbarDefaultItemIdentifiers();
}

QStringList PreferencesTabViewController::toolbarSelectableItemIdentifiers() const
{
    if (m_style == Style::segmentedControl)
        return {};
    return toolbarDefaultItemIdentifiers();
}

QAction* PreferencesTabViewController::toolbarItem(const QString& identifier, QObject* parent)
{
    if (identifier == PreferencesToolbar::flexibleSpaceIdentifier || !m_styleController)
        return nullptr;
    return m_styleController->toolbarItem(PaneIdentifier(identifier), parent);
}

} // namespace Preferences

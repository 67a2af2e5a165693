#include "PreferencesWindowController.h"

#include "FrameAutosave.h"
#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "PreferencesTabViewController.h"
#include "UserInteractionPausableWindow.h"

#include <QScreen>
#include <stdexcept>

namespace Preferences {

namespace {

QList<PreferencePane*> convert(const QList<const PreferencePaneConvertible*>& preferences)
{
    QList<PreferencePane*> panes;
    for (const PreferencePaneConvertible* convertible : preferences)
        if (convertible)
            panes.append(convertible->asPreferencePane());
    return panes;
}

} // namespace

PreferencesWindowController::PreferencesWindowController(
    const QList<const PreferencePaneConvertible*>& preferences, Style style, bool animated,
    bool hidesToolbarForSingleItem, KestrelExtensions::UserDefaults* store)
    : PreferencesWindowController(convert(preferences), style, animated, hidesToolbarForSingleItem, store)
{
}

PreferencesWindowController::PreferencesWindowController(QList<PreferencePane*> preferences, Style style,
                                                         bool animated, bool hidesToolbarForSingleItem,
                                                         KestrelExtensions::UserDefaults* store)
    : m_tabViewController(new PreferencesTabViewController),
      m_store(store ? *store : KestrelExtensions::UserDefaults::standard())
{
    if (preferences.isEmpty()) {
        delete m_tabViewController;
        throw std::invalid_argument("a settings window needs at least one pane");
    }

    m_window = std::make_unique<UserInteractionPausableWindow>();
    // Titled and closable; its size follows the shown pane.
    m_window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                             Qt::CustomizeWindowHint);
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    const QSize first = preferences.first()->sizeHint().expandedTo(preferences.first()->minimumSizeHint());
    m_window->resize(first.expandedTo(QSize(1, 1)));
    m_hidesToolbarForSingleItem = hidesToolbarForSingleItem;
    m_window->setCentralWidget(m_tabViewController);
    m_titleVisible = !(style == Style::segmentedControl && preferences.size() > 1);
    m_tabViewController->setAnimated(animated);
    m_tabViewController->setUp(std::move(preferences), style);
    applyToolbarVisibility();
}

PreferencesWindowController::~PreferencesWindowController() = default;

UserInteractionPausableWindow* PreferencesWindowController::window() const
{
    return m_window.get();
}

void PreferencesWindowController::setHidesToolbarForSingleItem(bool hides)
{
    m_hidesToolbarForSingleItem = hides;
    applyToolbarVisibility();
}

bool PreferencesWindowController::isAnimated() const
{
    return m_tabViewController && m_tabViewController->isAnimated();
}

void PreferencesWindowController::setAnimated(bool animated)
{
    if (m_tabViewController)
        m_tabViewController->setAnimated(animated);
}

void PreferencesWindowController::applyToolbarVisibility()
{
    if (!m_window || !m_tabViewController || !m_tabViewController->toolbar())
        return;
    const bool visible = !(m_hidesToolbarForSingleItem && m_tabViewController->preferencePanes().size() < 2);
    if (m_tabViewController->toolbar()->isHidden() == !visible)
        return;
    m_tabViewController->toolbar()->setVisible(visible);
    // The pane keeps its size; the window grows or shrinks by the toolbar.
    m_tabViewController->refitWindow();
}

void PreferencesWindowController::show(const std::optional<PaneIdentifier>& preferencePane)
{
    PreferencesTabViewController* tabs = m_tabViewController;
    if (!tabs)
        return;
    if (preferencePane)
        tabs->activateTab(*preferencePane, false);
    else if (!tabs->activeTab())
        tabs->activateTab(0, false);

    m_window->show();
    placeWindow();
    m_window->raise();
    m_window->activateWindow();
}

void PreferencesWindowController::placeWindow()
{
    QScreen* screen = m_window->screen();
    if (!screen)
        return;
    const QRect visible = screen->availableGeometry();
    const QSize size = m_window->frameGeometry().size();
    m_window->move(visible.center().x() - size.width() / 2, visible.center().y() - size.height() / 2);
    // Only the position comes back: a size saved while another pane was shown would not fit this one.
    if (const std::optional<QRect> saved = FrameAutosave::savedFrame(frameAutosaveName, m_store))
        m_window->setGeometry(QRect(saved->topLeft(), m_window->size()));
    if (!m_autosave)
        m_autosave = new FrameAutosave(m_window.get(), frameAutosaveName, m_store, this);
    m_autosave->save();
}

} // namespace Preferences

#include "SettingsWindow.h"

#include "GeneralPreferences.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelUpdater/Updater.h"
#include "KestrelUpdater/UpdatesPreferencesView.h"
#include "Sheetwright/Icons/ThemeIcon.h"

#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace Sheetwright {

using KestrelExtensions::localized;

SettingsWindow::SettingsWindow(KestrelUpdater::Updater& updater, QWidget* parent)
    : QWidget(parent, Qt::Window), m_tabs(new QTabWidget(this)), m_general(new GeneralPreferences),
      m_updates(new KestrelUpdater::UpdatesPreferencesView(updater))
{
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(m_general, themeIcon(QStringLiteral("preferences-system")), localized("General"));
    m_tabs->addTab(m_updates, themeIcon(QStringLiteral("system-software-update")), localized("Updates"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    setWindowTitle(localized("Settings"));
    // Both panes fit whole, whichever is shown; the window can grow but never clip them.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    // Like any settings window: its panes keep what was changed, Escape only closes it.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WindowShortcut);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

} // namespace Sheetwright

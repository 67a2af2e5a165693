#include "SettingsWindow.h"

#include "GeneralPreferences.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelUpdater/Updater.h"
#include "KestrelUpdater/UpdatesPreferencesView.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace Sheetwright {

using KestrelExtensions::localized;

namespace {

// The desktop theme's icon where there is one, else the style's, so a bare machine still shows one.
QIcon tabIcon(const char* themeName, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName), QApplication::style()->standardIcon(fallback));
}

} // namespace

SettingsWindow::SettingsWindow(KestrelUpdater::Updater& updater, QWidget* parent)
    : QWidget(parent, Qt::Window), m_tabs(new QTabWidget(this)), m_general(new GeneralPreferences),
      m_updates(new KestrelUpdater::UpdatesPreferencesView(updater))
{
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(m_general, tabIcon("preferences-system", QStyle::SP_FileDialogDetailedView),
                   localized("General"));
    m_tabs->addTab(m_updates, tabIcon("system-software-update", QStyle::SP_ArrowDown), localized("Updates"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    setWindowTitle(localized("Settings"));
    // Both panes fit whole, whichever is shown; the window can grow but never clip them.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

} // namespace Sheetwright

#include "SoftwareUpdater.h"

#include "KestrelUpdater/Updater.h"
#include "Sheetwright/Settings/SettingsWindow.h"

namespace Sheetwright {

SoftwareUpdater::SoftwareUpdater(KestrelExtensions::UserDefaults& defaults)
    : m_updater(std::make_unique<KestrelUpdater::Updater>(defaults))
{
}

SoftwareUpdater::~SoftwareUpdater() = default;

void SoftwareUpdater::checkForUpdates()
{
    m_updater->checkForUpdates();
}

QWidget* SoftwareUpdater::makeSettingsWindow()
{
    return new SettingsWindow(*m_updater);
}

} // namespace Sheetwright

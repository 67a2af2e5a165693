#pragma once

#include "UpdateService.h"

#include <memory>

namespace KestrelExtensions {
class UserDefaults;
}
namespace KestrelUpdater {
class Updater;
}

namespace Sheetwright {

// The application's update service: the software updater, kept for the life of the process.
class SoftwareUpdater : public UpdateService {
public:
    explicit SoftwareUpdater(KestrelExtensions::UserDefaults& defaults);
    ~SoftwareUpdater() override;

    void checkForUpdates() override;
    QWidget* makeSettingsWindow() override;

private:
    std::unique_ptr<KestrelUpdater::Updater> m_updater;
};

} // namespace Sheetwright

#include "UpdatesPreferencePane.h"

#include "ArrowDownCircleIcon.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelUpdater/Updater.h"
#include "KestrelUpdater/UpdatesPreferencesView.h"

#include <QPointer>

namespace KestrelUpdater {

const Preferences::Pane& updatesPane()
{
    static const Preferences::Pane pane(Preferences::PaneIdentifier(QStringLiteral("updates")),
                                        KestrelExtensions::localized("Updates"), arrowDownCircleIcon(),
                                        [] { return new UpdatesPreferencesView(*Updater::shared()); });
    return pane;
}

Preferences::PreferencePane* updatesPreferencePane()
{
    static QPointer<Preferences::PreferencePane> made;
    if (!made)
        made = updatesPane().asPreferencePane();
    return made;
}

} // namespace KestrelUpdater

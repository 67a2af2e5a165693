#pragma once

#include "KestrelUpdater/Channel/IncludeBetas.h"
#include "KestrelUpdater/Observation/ObservableUpdater.h"

#include <QDateTime>
#include <QWidget>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace KestrelUpdater {

class Updater;

// The Updates settings pane: automatic checks and their frequency, "Check Now…", the beta channel, the
// system profile and automatic downloads, and the date of the last check. It keeps no setting of its own:
// every control reads and writes the updater, and any change of a setting (also one the updater makes
// after a check) redraws it.
class UpdatesPreferencesView : public QWidget {
    Q_OBJECT
public:
    explicit UpdatesPreferencesView(Updater& updater, QWidget* parent = nullptr);
    ~UpdatesPreferencesView() override;

    // Re-reads every setting into the controls.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Sparkle<bool> m_checkForUpdates;
    Sparkle<double> m_updateFrequency;
    std::optional<IncludeBetas> m_includeBetas;
    Sparkle<bool> m_sendsSystemProfile;
    Sparkle<bool> m_automaticallyDownloadsUpdates;
    SparkleValue<QDateTime> m_lastUpdateCheckDate;
    Updater& m_updater;

    QCheckBox* m_checkBox = nullptr;
    QComboBox* m_frequencyPicker = nullptr;
    QPushButton* m_checkNowButton = nullptr;
    QCheckBox* m_includeBetasBox = nullptr;
    QCheckBox* m_systemProfileBox = nullptr;
    QCheckBox* m_downloadsBox = nullptr;
    QLabel* m_lastCheckLabel = nullptr;
};

} // namespace KestrelUpdater

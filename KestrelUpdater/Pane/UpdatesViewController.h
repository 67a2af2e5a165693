#pragma once

#include "Preferences/Pane/PreferencePane.h"

#include <QMetaObject>
#include <QPointer>

class QCheckBox;

namespace KestrelExtensions {
class UserDefaults;
}

namespace KestrelUpdater {

class Updater;

// A settings-window pane for the update channel alone. While it is on screen it follows the user-defaults
// switch "includeBetaReleases" and points the updater at the beta or the release feed to match: once
// when it appears, then on every change of the switch. Hidden, it follows nothing.
class UpdatesViewController : public Preferences::PreferencePane {
    Q_OBJECT
public:
    // The standard store and the shared updater.
    explicit UpdatesViewController(QWidget* parent = nullptr);
    UpdatesViewController(KestrelExtensions::UserDefaults& defaults, Updater* updater,
                          QWidget* parent = nullptr);
    ~UpdatesViewController() override;

    Preferences::PaneIdentifier preferencePaneIdentifier() const override { return m_identifier; }
    QString preferencePaneTitle() const override { return m_title; }
    QIcon toolbarItemIcon() const override { return m_toolbarIcon; }

    bool isObservingIncludeBetaReleases() const { return bool(m_includeBetaReleasesObserver); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void viewDidAppear();
    void viewWillDisappear();
    void includeBetaReleasesChanged();
    void buildContent();

    Preferences::PaneIdentifier m_identifier;
    QString m_title;
    QIcon m_toolbarIcon;
    QMetaObject::Connection m_includeBetaReleasesObserver;
    KestrelExtensions::UserDefaults& m_defaults;
    QPointer<Updater> m_updater;
    QCheckBox* m_includeBetasBox = nullptr;
};

} // namespace KestrelUpdater

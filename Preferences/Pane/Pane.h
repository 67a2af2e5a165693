// Not called by the application: kept as a library service for other users.
#pragma once

#include "PreferencePane.h"

#include <QIcon>
#include <QString>
#include <functional>

namespace Preferences {

// A pane described by value: identifier, title, toolbar icon and the content it shows. A widget can
// live in one parent only, so the content is kept as a factory and each host builds its own copy.
class Pane : public PreferencePaneConvertible {
public:
    using ContentFactory = std::function<QWidget*()>;

    Pane(PaneIdentifier identifier, QString title, QIcon toolbarIcon, ContentFactory contentView);

    const PaneIdentifier& identifier() const { return m_identifier; }
    const QString& title() const { return m_title; }
    const QIcon& toolbarIcon() const { return m_toolbarIcon; }
    // A fresh content widget, owned by the caller.
    QWidget* makeContent() const;

    // A new hosting pane showing a fresh content widget; owned by the caller.
    PreferencePane* asPreferencePane() const override;

private:
    PaneIdentifier m_identifier;
    QString m_title;
    QIcon m_toolbarIcon;
    ContentFactory m_content;
};

// A pane that hosts a content widget filling it edge to edge.
class PaneHostingController : public PreferencePane {
    Q_OBJECT
public:
    // Takes ownership of `content`.
    PaneHostingController(PaneIdentifier identifier, QString title, QIcon toolbarIcon, QWidget* content,
                          QWidget* parent = nullptr);
    explicit PaneHostingController(const Pane& pane, QWidget* parent = nullptr);

    PaneIdentifier preferencePaneIdentifier() const override { return m_identifier; }
    QString preferencePaneTitle() const override { return m_title; }
    QIcon toolbarItemIcon() const override { return m_toolbarIcon; }
    QWidget* rootView() const { return m_rootView; }

private:
    PaneIdentifier m_identifier;
    QString m_title;
    QIcon m_toolbarIcon;
    QWidget* m_rootView = nullptr;
};

} // namespace Preferences

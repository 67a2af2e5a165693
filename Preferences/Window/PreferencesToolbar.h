// Not called by the application: kept as a library service for other users.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QToolBar>

class QActionGroup;

namespace Preferences {

// Answers what a PreferencesToolbar shows.
class PreferencesToolbarDelegate {
public:
    virtual ~PreferencesToolbarDelegate() = default;
    virtual QStringList toolbarDefaultItemIdentifiers() const = 0;
    virtual QStringList toolbarAllowedItemIdentifiers() const = 0;
    virtual QStringList toolbarSelectableItemIdentifiers() const = 0;
    // A new item for an identifier, or null for none (the toolbar places flexible spaces itself).
    virtual QAction* toolbarItem(const QString& identifier, QObject* parent) = 0;
};

// A settings window's toolbar: fixed items, never customised, moved or floated, icons with labels
// under them; its items come from a delegate by identifier, and selectable items behave as one
// exclusive choice.
class PreferencesToolbar : public QToolBar {
    Q_OBJECT
public:
    static inline const QString flexibleSpaceIdentifier = QStringLiteral("FlexibleSpaceItem");

    explicit PreferencesToolbar(const QString& identifier, QWidget* parent = nullptr);

    QString identifier() const { return objectName(); }
    void setDelegate(PreferencesToolbarDelegate* delegate) { m_delegate = delegate; }
    PreferencesToolbarDelegate* delegate() const { return m_delegate; }

    // Rebuilds the items from the delegate's default identifiers.
    void reloadItems();

    QStringList itemIdentifiers() const { return m_identifiers; }
    QAction* item(const QString& identifier) const;

    // Empty while no selectable item is selected.
    QString selectedItemIdentifier() const;
    void setSelectedItemIdentifier(const QString& identifier);

private:
    PreferencesToolbarDelegate* m_delegate = nullptr;
    QActionGroup* m_selection;
    QStringList m_identifiers;
    QList<QAction*> m_items;
};

} // namespace Preferences

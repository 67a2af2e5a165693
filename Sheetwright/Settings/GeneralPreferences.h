#pragma once

#include "Sheetwright/Layouts/LayoutManager.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QStandardItemModel;

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

// The General settings pane: the defaults a new window takes (its layout, by name, and the PDF's title,
// author and subject). A key is written only when the user changes its control, so an untouched setting
// stays absent and new windows keep their own defaults. Windows already open are not touched.
//
// The custom layouts are listed afresh from the layout manager whenever the pane is shown or one of its
// settings changes; the manager announces nothing, so a layout saved meanwhile appears at the next of
// those.
class GeneralPreferences : public QWidget {
    Q_OBJECT
public:
    static inline const QString defaultLayoutKey = QStringLiteral("DefaultLayoutName");
    static inline const QString titleKey = QStringLiteral("DefaultTitle");
    static inline const QString authorKey = QStringLiteral("DefaultAuthor");
    static inline const QString subjectKey = QStringLiteral("DefaultSubject");

    // On the standard user-defaults store and the shared layout manager.
    explicit GeneralPreferences(QWidget* parent = nullptr);
    GeneralPreferences(KestrelExtensions::UserDefaults& defaults, LayoutManager& layoutManager,
                       QWidget* parent = nullptr);

    QComboBox* layoutPicker() const { return m_layoutPicker; }
    QLineEdit* titleField() const { return m_title; }
    QLineEdit* authorField() const { return m_author; }
    QLineEdit* subjectField() const { return m_subject; }

    // The stored default layout name, or the reserved "Default Layout" while none is stored.
    LayoutManager::TitleKey defaultLayout() const;
    // The stored text, or empty while none is stored.
    QString storedText(const QString& key) const;

    // Lists the picker's rows again (custom layouts read from the manager now) and reselects.
    void rebuildLayoutRows();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void storedValueChanged(const QString& key);
    void showStoredText(QLineEdit* field, const QString& key);
    void selectStoredLayout();

    KestrelExtensions::UserDefaults& m_defaults;
    LayoutManager& m_layoutManager;
    QComboBox* m_layoutPicker = nullptr;
    QStandardItemModel* m_layoutRows = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_author = nullptr;
    QLineEdit* m_subject = nullptr;
};

} // namespace Sheetwright

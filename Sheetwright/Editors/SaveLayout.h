#pragma once

#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace Sheetwright {

class LayoutManager;

// The Save Layout sheet: stores a copy of the window's page layout, taken when the sheet is made, as a
// custom layout under a typed name, keeping the fields whose toggles are on. Open it window-modal on the
// window (`open()`), one new sheet per presentation; Return saves, Escape cancels.
//
// A name that cannot be a file name, or a save that fails, shows a warning ("saveLayoutError") and keeps
// the sheet open with everything as typed; nothing is listed. Overwriting a layout of the same name is
// allowed.
class SaveLayout : public QDialog {
    Q_OBJECT
public:
    // `manager` defaults to LayoutManager::shared(). The window passes "New Layout" and all options on.
    SaveLayout(const RuvedovUzedoz::PageLayout& layout, const QString& name,
               const RuvedovUzedoz::SavedPageLayout::Options& options, LayoutManager* manager = nullptr,
               QWidget* parent = nullptr);

    QString name() const;
    const RuvedovUzedoz::SavedPageLayout::Options& options() const { return m_options; }

    // "Save Layout": saves and closes, or warns and stays open.
    void save();

private:
    struct Toggle {
        QCheckBox* box;
        bool RuvedovUzedoz::SavedPageLayout::Options::*flag;
    };

    void refreshToggles();
    void showError(const QString& reason);

    const RuvedovUzedoz::PageLayout m_layout;
    RuvedovUzedoz::SavedPageLayout::Options m_options;
    LayoutManager* m_manager;
    QLineEdit* m_name;
    QList<Toggle> m_toggles;
};

} // namespace Sheetwright

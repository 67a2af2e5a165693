// Not called by the application: kept as a library service for other users.
#pragma once

#include <QWidget>

class QGridLayout;

namespace KestrelExtensions {

// A column of labelled rows whose controls all start on one vertical line: each label sits in front of
// its control, right-aligned against that line, so labels of different widths extend to the left of it
// and the shorter ones start further right.
class ControlAlignedForm : public QWidget {
    Q_OBJECT
public:
    explicit ControlAlignedForm(QWidget* parent = nullptr);

    // Adds a row: `label` (may be null) in front of `control`, both placed on the row by
    // `verticalAlignment` (top, centre, bottom or baseline-like centre). The form takes both widgets.
    // Returns the row's index.
    int addLabelledRow(QWidget* control, QWidget* label, Qt::Alignment verticalAlignment = Qt::AlignVCenter);

    int rowCount() const;
    // The x position, in the form's coordinates, where every control begins.
    int controlAlignment() const;

private:
    QGridLayout* m_grid;
    int m_rows = 0;
};

} // namespace KestrelExtensions

#pragma once

#include <QWidget>

class QLabel;

namespace Sheetwright {

class PDFViewer;
class WindowModel;

// The middle column: the rendered PDF, and under it the number of images, the page count and the
// PDF's size. The image count follows the sheet at once; the rest follows the last finished render.
class PDFColumn : public QWidget {
    Q_OBJECT
public:
    explicit PDFColumn(WindowModel& model, QWidget* parent = nullptr);

    PDFViewer* viewer() const { return m_viewer; }
    QLabel* countsLabel() const { return m_counts; }
    QLabel* dashLabel() const { return m_dash; }
    QLabel* sizeLabel() const { return m_size; }

private:
    void refreshInfo();

    WindowModel& m_model;
    PDFViewer* m_viewer;
    QLabel* m_counts;
    QLabel* m_dash;
    QLabel* m_size;
};

} // namespace Sheetwright

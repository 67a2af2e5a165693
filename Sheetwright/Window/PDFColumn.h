#pragma once

#include <QWidget>

class QLabel;
class QStackedLayout;

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
    // Shown in place of the pages while the layout leaves no room for a cell or for the pictures, with
    // the reason.
    QLabel* problemLabel() const { return m_problem; }
    // Shown above the pages, which keep the last PDF, while the last render could not make its PDF.
    QLabel* failureLabel() const { return m_failure; }

private:
    void refreshInfo();
    void refreshProblem();
    void refreshFailure();

    WindowModel& m_model;
    PDFViewer* m_viewer;
    QLabel* m_counts;
    QLabel* m_dash;
    QLabel* m_size;
    QLabel* m_problem;
    QLabel* m_failure;
    QStackedLayout* m_pages;
};

} // namespace Sheetwright

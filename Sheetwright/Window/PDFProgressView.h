#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace Sheetwright {

class WindowModel;

// The bar and page counts at the foot of the settings column, shown only while a render runs and
// taking no room otherwise.
class PDFProgressView : public QWidget {
    Q_OBJECT
public:
    explicit PDFProgressView(WindowModel& model, QWidget* parent = nullptr);

    QProgressBar* bar() const { return m_bar; }
    QLabel* countsLabel() const { return m_counts; }

private:
    void refresh();

    WindowModel& m_model;
    QLabel* m_title;
    QProgressBar* m_bar;
    QLabel* m_counts;
};

} // namespace Sheetwright

#pragma once

#include <QWidget>

class QToolButton;

namespace Sheetwright {

// A row of joined segments, each standing for a number; at most one is selected, and a value that no
// segment stands for selects none (and is kept).
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedPicker(QWidget* parent = nullptr);

    void addSegment(const QString& text, double value);
    // Selects the segment of exactly `value`, or none; never emits `valueChosen`.
    void setValue(double value);
    QList<QToolButton*> segments() const { return m_segments; }

signals:
    // The user clicked a segment.
    void valueChosen(double value);

private:
    QList<QToolButton*> m_segments;
    QList<double> m_values;
};

} // namespace Sheetwright

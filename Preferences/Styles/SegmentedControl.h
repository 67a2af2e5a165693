// Not called by the application: kept as a library service for other users.
#pragma once

#include <QList>
#include <QWidget>

class QButtonGroup;
class QToolButton;

namespace Preferences {

// A row of equal segments of which exactly one is selected, joined by one-point gaps: n segments of
// width w make a control n·w + n + 1 wide.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(QWidget* parent = nullptr);

    int segmentCount() const;
    void setSegmentCount(int count);
    void setLabel(const QString& label, int segment);
    QString label(int segment) const;
    void setWidth(int width, int segment);
    void setTag(int tag, int segment);
    int tag(int segment) const;
    void setSegmentHeight(int height);

    // -1 while no segment is selected.
    int selectedSegment() const;
    void setSelectedSegment(int segment);

    QToolButton* segmentButton(int segment) const;

signals:
    // The user picked a segment (not sent for setSelectedSegment).
    void activated(SegmentedControl* sender);

private:
    void updateSize();

    QButtonGroup* m_group;
    QList<QToolButton*> m_buttons;
    int m_height = 0;
};

} // namespace Preferences

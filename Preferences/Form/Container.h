// Not called by the application: kept as a library service for other users.
#pragma once

#include "Section.h"

#include <QList>
#include <QWidget>
#include <functional>

class QGridLayout;
class QFrame;

namespace Preferences {

// A settings pane laid out as labelled rows: every label's trailing edge on one vertical guide, each
// row's controls after it, and optional dividers that start at the left edge of the label column.
class Container : public QWidget {
    Q_OBJECT
public:
    using SectionBuilder = std::function<QList<Section>()>;

    static constexpr int dividerHeight = 20;
    static constexpr int verticalPadding = 20;
    static constexpr int horizontalPadding = 30;

    Container(double contentWidth, double minimumLabelWidth, SectionBuilder sectionBuilder,
              QWidget* parent = nullptr);

    double contentWidth() const { return m_contentWidth; }
    double minimumLabelWidth() const { return m_minimumLabelWidth; }
    // The widest label measured so far (0 before the first measurement).
    double maximumLabelWidth() const { return m_maximumLabelWidth; }
    const QList<Section>& sections() const { return m_sections; }
    const QList<QFrame*>& dividers() const { return m_dividers; }

    // Builds the rows again from the section builder.
    void reload();

signals:
    void maximumLabelWidthChanged(double width);

protected:
    bool event(QEvent* event) override;

private:
    void measureLabels();
    void placeDividers();

    double m_contentWidth;
    double m_minimumLabelWidth;
    double m_maximumLabelWidth = 0;
    SectionBuilder m_sectionBuilder;
    QList<Section> m_sections;
    QList<QFrame*> m_dividers;
    QGridLayout* m_grid = nullptr;
};

} // namespace Preferences

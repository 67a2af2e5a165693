// Not called by the application: kept as a library service for other users.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace Preferences {

// One labelled row of a settings form: a label and, beside it, the row's controls stacked vertically
// and leading-aligned. The two views are built once, when the section is made, and belong to the
// container that shows them (until then, to the section).
class Section {
public:
    using ViewBuilder = std::function<QWidget*()>;

    Section(bool bottomDivider, Qt::Alignment verticalAlignment, const ViewBuilder& label,
            const ViewBuilder& content);
    // The title is shown as written, in the interface font; it is not a localisation key.
    Section(const QString& title, bool bottomDivider, Qt::Alignment verticalAlignment,
            const ViewBuilder& content);

    QWidget* label() const { return *m_label; }
    QWidget* content() const { return *m_content; }
    bool bottomDivider() const { return m_bottomDivider; }
    Qt::Alignment verticalAlignment() const { return m_verticalAlignment; }

private:
    std::shared_ptr<QPointer<QWidget>> m_label;
    std::shared_ptr<QPointer<QWidget>> m_content;
    bool m_bottomDivider;
    Qt::Alignment m_verticalAlignment;
};

} // namespace Preferences

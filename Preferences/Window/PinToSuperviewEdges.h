// Not called by the application: kept as a library service for other users.
#pragma once

#include <QPointer>
#include <QWidget>

namespace Preferences {

// The hold that keeps a view filling its superview; removing it lets another view take the place.
class EdgeConstraints {
public:
    EdgeConstraints() = default;
    EdgeConstraints(QWidget* superview, QWidget* view) : m_superview(superview), m_view(view) {}

    bool isActive() const;
    QWidget* view() const { return m_view; }
    // Takes the view out of its superview's layout; the view stays a child and keeps its geometry.
    void remove();

private:
    QPointer<QWidget> m_superview;
    QPointer<QWidget> m_view;
};

// Makes `view` follow its parent's bounds exactly (no margins). A view without a parent is a programming
// error (std::logic_error).
EdgeConstraints pinToSuperviewEdges(QWidget* view);

} // namespace Preferences

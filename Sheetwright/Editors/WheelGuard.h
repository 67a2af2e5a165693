#pragma once

#include <QObject>

class QAbstractScrollArea;
class QWidget;

namespace Sheetwright {

// Keeps the mouse wheel from editing values while the user scrolls a form: a combo box, spin box or
// slider inside `area` takes wheel turns only while it has keyboard focus; otherwise the turn scrolls
// the area. Clicking or tabbing into a control gives it focus (the wheel alone never does).
class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Guards every such control inside `area`'s widget now; the guard belongs to `area`.
    static void install(QAbstractScrollArea* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WheelGuard(QAbstractScrollArea* area);
    void guard(QWidget* control);

    QAbstractScrollArea* m_area;
};

} // namespace Sheetwright

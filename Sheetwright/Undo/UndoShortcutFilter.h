#pragma once

#include <QObject>

namespace Sheetwright {

// Lets Undo and Redo reach the window's undo stack from a text field that has nothing of its own to
// undo or redo. A text field claims those shortcuts whenever it has focus, which is where focus stays
// after typing a value and pressing Return, so without this the keys would do nothing there. A field
// with typing of its own to undo keeps them. Installed once on the application.
class UndoShortcutFilter : public QObject {
    Q_OBJECT
public:
    static void installOnce();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace Sheetwright

#include "UndoShortcutFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace Sheetwright {

void UndoShortcutFilter::installOnce()
{
    auto* app = QCoreApplication::instance();
    if (!app || app->findChild<UndoShortcutFilter*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new UndoShortcutFilter(app));
}

bool UndoShortcutFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool undo = key->matches(QKeySequence::Undo);
    const bool redo = key->matches(QKeySequence::Redo);
    if ((undo && !field->isUndoAvailable()) || (redo && !field->isRedoAvailable())) {
        // Left unclaimed, the key goes to the shortcut: the window's Undo or Redo.
        event->ignore();
        return true;
    }
    return false;
}

} // namespace Sheetwright

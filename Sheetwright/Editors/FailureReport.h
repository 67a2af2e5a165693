#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace Sheetwright {

// One thing the user asked for that did not happen: what failed (a sentence, "The PDF could not be
// exported."), the file it concerned and the reason the system gave.
struct Failure {
    QString what;
    QString file;
    QString reason;
};

// The one way a failure reaches the user: one log line ("<what> (<file>): <reason>") and a window-modal
// warning over `window` naming what failed, the file and the reason. Returns the warning (object name
// "failureReport"; it deletes itself when closed).
QMessageBox* reportFailure(QWidget* window, const Failure& failure);

} // namespace Sheetwright

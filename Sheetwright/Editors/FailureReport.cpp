#include "FailureReport.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelExtensions/Logging/Log.h"

#include <QDir>
#include <QMessageBox>

namespace Sheetwright {

QMessageBox* reportFailure(QWidget* window, const Failure& failure)
{
    QString what = failure.what;
    if (what.endsWith(QLatin1Char('.')))
        what.chop(1);
    const QString file = QDir::toNativeSeparators(failure.file);
    KestrelExtensions::Log::system(QStringLiteral("%1 (%2): %3").arg(what, file, failure.reason));

    auto* box = new QMessageBox(QMessageBox::Warning, KestrelExtensions::localized("Sheetwright"),
                                failure.what, QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("failureReport"));
    // File names and system messages are shown as they are, never as markup.
    box->setTextFormat(Qt::PlainText);
    QString details = QStringLiteral("<p>%1</p>").arg(failure.reason.toHtmlEscaped());
    if (!file.isEmpty())
        details.prepend(QStringLiteral("<p>%1</p>").arg(file.toHtmlEscaped()));
    box->setInformativeText(details);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return box;
}

} // namespace Sheetwright

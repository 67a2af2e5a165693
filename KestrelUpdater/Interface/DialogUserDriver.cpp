#include "DialogUserDriver.h"

#include "ExternalLink.h"
#include "FeedText.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "KestrelUpdater/Updater.h"
#include "ReleaseNotesView.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

using KestrelExtensions::localized;

namespace KestrelUpdater {
namespace {

QString applicationDisplayName()
{
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Sheetwright") : name;
}

// The window a dialog belongs to: the active window, but never another of the updater's transient
// dialogs, which close (and would take their children with them) while the next one is shown.
QWidget* dialogParent()
{
    QWidget* window = QApplication::activeWindow();
    while (window && qobject_cast<QDialog*>(window))
        window = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    return window;
}

QProgressDialog* makeProgress(const QString& text, Updater& updater, void (Updater::*cancel)())
{
    auto* dialog = new QProgressDialog(dialogParent());
    // The text may hold a version from the feed: never read it as markup.
    auto* label = new QLabel(dialog);
    label->setTextFormat(Qt::PlainText);
    dialog->setLabel(label);
    dialog->setLabelText(messageText(text));
    dialog->setCancelButtonText(localized("Cancel"));
    dialog->setRange(0, 0);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(applicationDisplayName());
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    QObject::connect(dialog, &QProgressDialog::canceled, &updater, cancel);
    dialog->show();
    return dialog;
}

void closeProgress(QPointer<QProgressDialog>& dialog)
{
    if (!dialog)
        return;
    // Closing must not read as the user cancelling.
    QObject::disconnect(dialog, &QProgressDialog::canceled, nullptr, nullptr);
    dialog->close();
    dialog = nullptr;
}

// Message texts carry feed strings, server messages, URLs and paths: plain text only, cleaned.
QMessageBox* makeMessage(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto* box = new QMessageBox(icon, title, QString(), QMessageBox::Ok, dialogParent());
    box->setTextFormat(Qt::PlainText);
    box->setText(messageText(text));
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

void showMessage(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    makeMessage(icon, title, text)->show();
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setText(messageText(text));
    return label;
}

} // namespace

DialogUserDriver::DialogUserDriver() = default;

DialogUserDriver::~DialogUserDriver()
{
    closeProgress(m_checkProgress);
    closeProgress(m_downloadProgress);
}

void DialogUserDriver::showCheckStarted(Updater& updater)
{
    closeProgress(m_checkProgress);
    m_checkProgress = makeProgress(localized("Checking for updates…"), updater, &Updater::cancelCheck);
}

void DialogUserDriver::bringCheckToFront()
{
    if (m_checkProgress) {
        m_checkProgress->raise();
        m_checkProgress->activateWindow();
    }
}

void DialogUserDriver::dismissCheck()
{
    closeProgress(m_checkProgress);
}

void DialogUserDriver::showUpToDate(Updater& updater, const CheckResult&)
{
    // The running version: the feed's newest may be older (after leaving the beta channel, say).
    showMessage(QMessageBox::Information, localized("You're up to date!"),
                localized("%1 %2 is currently the newest version available.")
                    .arg(applicationDisplayName(), feedText(updater.currentVersion())));
}

void DialogUserDriver::showUpdateFound(Updater& updater, const CheckResult& result)
{
    if (!result.item)
        return;
    const AppcastItem item = *result.item;
    auto* dialog = new QDialog(dialogParent());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(localized("A new version of %1 is available!").arg(applicationDisplayName()));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(plainLabel(localized("%1 %2 is now available; you have %3.")
                                     .arg(applicationDisplayName(), feedText(item.displayVersion()),
                                          feedText(updater.currentVersion())),
                                 dialog));
    if (!item.description.isEmpty()) {
        auto* notes = new ReleaseNotesView(dialog);
        notes->setNotes(item.description);
        notes->setMinimumSize(420, 220);
        layout->addWidget(notes);
    }
    auto* buttons = new QDialogButtonBox(dialog);
    if (item.description.isEmpty() && !item.releaseNotesLink.isEmpty()) {
        auto* notesButton = buttons->addButton(localized("Release Notes…"), QDialogButtonBox::HelpRole);
        QObject::connect(notesButton, &QPushButton::clicked, dialog,
                         [link = item.releaseNotesLink] { openInBrowser(link); });
    }
    auto* skip = buttons->addButton(localized("Skip This Version"), QDialogButtonBox::DestructiveRole);
    auto* later = buttons->addButton(localized("Remind Me Later"), QDialogButtonBox::RejectRole);
    auto* download = buttons->addButton(item.hasEnclosure ? localized("Download…") : localized("Learn More…"),
                                        QDialogButtonBox::AcceptRole);
    download->setDefault(true);
    QPointer<Updater> target(&updater);
    QObject::connect(skip, &QPushButton::clicked, dialog, [dialog, target, item] {
        if (target)
            target->setSkippedVersion(item.version);
        dialog->close();
    });
    QObject::connect(later, &QPushButton::clicked, dialog, &QDialog::close);
    QObject::connect(download, &QPushButton::clicked, dialog, [dialog, target, item] {
        dialog->close();
        if (item.hasEnclosure && target)
            target->downloadUpdate(item);
        else if (!item.link.isEmpty())
            openInBrowser(item.link);
    });
    layout->addWidget(buttons);
    dialog->show();
}

void DialogUserDriver::showCheckError(Updater&, const CheckResult& result)
{
    if (result.status == CheckResult::Status::NoFeed) {
        showMessage(QMessageBox::Information, localized("Updates are not available"), result.message);
        return;
    }
    showMessage(QMessageBox::Warning, localized("Update Error!"),
                localized("An error occurred while checking for updates: %1").arg(result.message));
}

void DialogUserDriver::showDownloadStarted(Updater& updater, const AppcastItem& item)
{
    closeProgress(m_downloadProgress);
    m_downloadProgress = makeProgress(
        localized("Downloading %1 %2…").arg(applicationDisplayName(), feedText(item.displayVersion())),
        updater, &Updater::cancelDownload);
}

void DialogUserDriver::showDownloadProgress(qint64 received, qint64 total)
{
    if (!m_downloadProgress)
        return;
    if (total > 0) {
        // Progress bars count in int: scale to per mille.
        m_downloadProgress->setMaximum(1000);
        m_downloadProgress->setValue(int(std::min<qint64>(1000, received * 1000 / total)));
    }
}

void DialogUserDriver::showDownloadFinished(Updater&, const DownloadResult& result)
{
    closeProgress(m_downloadProgress);
    if (result.status == DownloadResult::Status::Cancelled)
        return;
    if (result.status == DownloadResult::Status::Error) {
        showMessage(QMessageBox::Warning, localized("Update Error!"),
                    localized("The update could not be downloaded: %1").arg(result.message));
        return;
    }
    QString text =
        localized("%1 %2 was downloaded to %3. It is not installed yet: replace your copy of %1 with it.")
            .arg(applicationDisplayName(), feedText(result.item.displayVersion()), result.filePath);
    if (!result.signatureVerified)
        text += u' ' + localized("Its signature could not be verified, so there is no proof that it comes "
                                 "from the makers of %1. Open it only if you trust where it came from.")
                           .arg(applicationDisplayName());
    auto* box = makeMessage(result.signatureVerified ? QMessageBox::Information : QMessageBox::Warning,
                            result.signatureVerified ? localized("The update is ready")
                                                     : localized("The update is not verified"),
                            text);
    auto* show = box->addButton(localized("Show in Folder"), QMessageBox::ActionRole);
    QObject::connect(show, &QPushButton::clicked, box, [path = result.filePath] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
    });
    box->show();
}

} // namespace KestrelUpdater

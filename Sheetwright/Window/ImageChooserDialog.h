#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QUrl>

class QFileSystemModel;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QToolButton;
class QTreeView;

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

// Chooses image files and folders together (a folder stands for the images directly inside it).
// Entries are listed folders first, then in the order the images take in the sidebar and on the pages.
// Double-clicking a folder opens it, double-clicking a file opens it; Back, Up and Home move between
// folders, and a folder's or file's path typed into the path field and confirmed with Return goes there
// (a file is then selected). Whenever the folder on show changes, the selection is dropped: Open returns
// only what is selected in the folder on show and is enabled only then. Hidden files are not shown.
//
// It starts in the folder the user last chose from (kept in `defaults`), else in Pictures, else home.
class ImageChooserDialog : public QDialog {
    Q_OBJECT
public:
    // `defaults` defaults to the user's standard store.
    explicit ImageChooserDialog(QWidget* parent = nullptr,
                                KestrelExtensions::UserDefaults* defaults = nullptr);

    // Shows the folder at `path` (a relative path starts from the folder on show); a file's path shows
    // its folder with the file selected; a path that does not exist changes nothing.
    void setDirectory(const QString& path);
    QString directory() const;
    // Selects these entries of the current folder by name (as a user's clicks would).
    void selectNames(const QStringList& names);
    // The names listed in the folder on show, in their order (only what has been read so far).
    QStringList entryNames() const;

    QList<QUrl> selectedUrls() const;

    // Back (the folder shown before), Up (the parent folder) and Home.
    void goBack();
    void goUp();
    void goHome();

    // Where the chooser last returned a choice from, under this key of the user's defaults.
    static const QString lastFolderKey;

signals:
    void urlsSelected(const QList<QUrl>& urls);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showFolder(const QString& folder, bool remember);
    void enter(const QModelIndex& index);
    void choose();
    void updateButtons();
    QModelIndex rootIndex() const;

    KestrelExtensions::UserDefaults* m_defaults;
    QFileSystemModel* m_model;
    QSortFilterProxyModel* m_order;
    QTreeView* m_view;
    QLineEdit* m_path;
    QToolButton* m_back;
    QToolButton* m_up;
    QToolButton* m_home;
    QPushButton* m_open = nullptr;
    QStringList m_history;
    // A typed file's name, selected once its folder has been read.
    QString m_pendingName;
};

} // namespace Sheetwright

#pragma once

#include <QDialog>
#include <QList>
#include <QUrl>

class QFileSystemModel;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace Sheetwright {

// Chooses image files and folders together (a folder stands for the images directly inside it).
// Double-clicking a folder opens it; a folder's or file's path typed into the path field and confirmed
// with Return goes there (a file is then selected). Open returns every selected file and folder and is
// only enabled while something is selected. Hidden files are not shown.
class ImageChooserDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImageChooserDialog(QWidget* parent = nullptr);

    // Shows the folder at `path` (a relative path starts from the folder on show); a file's path shows
    // its folder with the file selected; a path that does not exist changes nothing.
    void setDirectory(const QString& path);
    QString directory() const;
    // Selects these entries of the current folder by name (as a user's clicks would).
    void selectNames(const QStringList& names);

    QList<QUrl> selectedUrls() const;

signals:
    void urlsSelected(const QList<QUrl>& urls);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void enter(const QModelIndex& index);
    void updateOpenButton();

    QFileSystemModel* m_model;
    QTreeView* m_view;
    QLineEdit* m_path;
    QPushButton* m_open = nullptr;
    // A typed file's name, selected once its folder has been read.
    QString m_pendingName;
};

} // namespace Sheetwright

#pragma once

#include <QDialog>
#include <QList>
#include <QUrl>

class QFileSystemModel;
class QLineEdit;
class QTreeView;

namespace Sheetwright {

// Chooses image files and folders together (a folder stands for the images directly inside it).
// Double-clicking a folder opens it; Open returns every selected file and folder. Hidden files are
// not shown.
class ImageChooserDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImageChooserDialog(QWidget* parent = nullptr);

    void setDirectory(const QString& path);
    QString directory() const;
    // Selects these entries of the current folder by name (as a user's clicks would).
    void selectNames(const QStringList& names);

    QList<QUrl> selectedUrls() const;

signals:
    void urlsSelected(const QList<QUrl>& urls);

private:
    void enter(const QModelIndex& index);

    QFileSystemModel* m_model;
    QTreeView* m_view;
    QLineEdit* m_path;
};

} // namespace Sheetwright

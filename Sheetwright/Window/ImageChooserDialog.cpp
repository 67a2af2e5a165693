#include "ImageChooserDialog.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

namespace Sheetwright {

using KestrelExtensions::localized;

namespace {
// File patterns of the image formats this system reads.
QStringList imageNameFilters()
{
    QStringList filters;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        filters << QStringLiteral("*.") + QString::fromLatin1(suffix);
    for (const char* extra : {"heic", "heif", "tif", "tiff", "webp", "jxl", "avif", "jp2"})
        filters << QStringLiteral("*.") + QLatin1String(extra);
    filters.removeDuplicates();
    return filters;
}
} // namespace

ImageChooserDialog::ImageChooserDialog(QWidget* parent)
    : QDialog(parent), m_model(new QFileSystemModel(this)), m_view(new QTreeView(this)),
      m_path(new QLineEdit(this))
{
    setWindowTitle(localized("Open Images"));
    m_model->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    m_model->setNameFilters(imageNameFilters());
    m_model->setNameFilterDisables(false);
    m_model->setRootPath(QDir::rootPath());

    m_view->setModel(m_model);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_view->hideColumn(column);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_path);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
    resize(560, 420);

    m_open = buttons->button(QDialogButtonBox::Open);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ImageChooserDialog::updateOpenButton);
    updateOpenButton();
    // The folder is read in the background; a typed file can only be selected once it is listed.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (!m_pendingName.isEmpty() && loaded == directory())
            selectNames({std::exchange(m_pendingName, QString())});
    });
    connect(m_view, &QTreeView::doubleClicked, this, &ImageChooserDialog::enter);
    connect(m_path, &QLineEdit::returnPressed, this, [this] { setDirectory(m_path->text()); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const QList<QUrl> urls = selectedUrls();
        accept();
        emit urlsSelected(urls);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const QStringList pictures = QStandardPaths::standardLocations(QStandardPaths::PicturesLocation);
    setDirectory(!pictures.isEmpty() && QDir(pictures.first()).exists() ? pictures.first()
                                                                        : QDir::homePath());
}

void ImageChooserDialog::setDirectory(const QString& path)
{
    // A relative path, ".." among them, starts from the folder on show, not from the working directory.
    const QString current = directory();
    const QFileInfo typed(QDir::cleanPath(QDir::isAbsolutePath(path) || current.isEmpty()
                                              ? QDir(path).absolutePath()
                                              : QDir(current).absoluteFilePath(path)));
    if (!typed.exists())
        return; // the field keeps the typed text for the user to correct
    const QString folder = typed.isDir() ? typed.absoluteFilePath() : typed.absolutePath();
    m_pendingName.clear();
    m_view->setRootIndex(m_model->index(folder));
    m_path->setText(folder);
    if (!typed.isDir()) {
        m_pendingName = typed.fileName();
        selectNames({m_pendingName});
        if (!m_view->selectionModel()->selectedRows().isEmpty())
            m_pendingName.clear();
    }
}

void ImageChooserDialog::keyPressEvent(QKeyEvent* event)
{
    // Return in the path field goes to the typed path; it must not also press Open and close the dialog.
    if (m_path->hasFocus() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ImageChooserDialog::updateOpenButton()
{
    m_open->setEnabled(m_view->selectionModel()->hasSelection());
}

QString ImageChooserDialog::directory() const
{
    return m_model->filePath(m_view->rootIndex());
}

void ImageChooserDialog::selectNames(const QStringList& names)
{
    auto* selection = m_view->selectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
        const QModelIndex index = m_model->index(QDir(directory()).filePath(name));
        if (index.isValid())
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QList<QUrl> ImageChooserDialog::selectedUrls() const
{
    QList<QUrl> urls;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        urls.append(QUrl::fromLocalFile(m_model->filePath(index)));
    return urls;
}

void ImageChooserDialog::enter(const QModelIndex& index)
{
    if (m_model->isDir(index))
        setDirectory(m_model->filePath(index));
}

} // namespace Sheetwright

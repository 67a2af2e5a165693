#include "ImageChooserDialog.h"

#include "Sheetwright/Icons/ThemeIcon.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KestrelExtensions/Localization/Localized.h>
#include <KestrelExtensions/String/LocalizedStandardOrder.h>
#include <KestrelExtensions/URL/BaseName.h>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

namespace Sheetwright {

using KestrelExtensions::localized;

const QString ImageChooserDialog::lastFolderKey = QStringLiteral("ImageChooserFolder");

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

// Folders first, then files by base name in the one image order of the system (IMG_2 before IMG_10),
// ties by the whole name, so the chooser lists files as the sidebar and the pages will.
class ImageOrder : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        const auto* files = static_cast<const QFileSystemModel*>(sourceModel());
        const bool leftFolder = files->isDir(left);
        const bool rightFolder = files->isDir(right);
        if (leftFolder != rightFolder)
            return leftFolder;
        const QString leftName = files->fileName(left);
        const QString rightName = files->fileName(right);
        const int order = KestrelExtensions::localizedStandardCompare(
            leftFolder ? leftName : KestrelExtensions::deletingPathExtension(leftName),
            rightFolder ? rightName : KestrelExtensions::deletingPathExtension(rightName));
        return order != 0 ? order < 0 : leftName.compare(rightName) < 0;
    }
};

QToolButton* navigationButton(const char* icon, const char* title, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(themeIcon(QString::fromLatin1(icon)));
    button->setText(localized(title));
    button->setToolTip(localized(title));
    button->setAutoRaise(true);
    return button;
}
} // namespace

ImageChooserDialog::ImageChooserDialog(QWidget* parent, KestrelExtensions::UserDefaults* defaults)
    : QDialog(parent), m_defaults(defaults ? defaults : &KestrelExtensions::UserDefaults::standard()),
      m_model(new QFileSystemModel(this)), m_order(new ImageOrder(this)), m_view(new QTreeView(this)),
      m_path(new QLineEdit(this)), m_back(navigationButton("go-previous", "Back", this)),
      m_up(navigationButton("go-up", "Up", this)), m_home(navigationButton("go-home", "Home", this))
{
    setWindowTitle(localized("Open Images"));
    m_model->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    m_model->setNameFilters(imageNameFilters());
    m_model->setNameFilterDisables(false);
    m_model->setRootPath(QDir::rootPath());
    m_order->setSourceModel(m_model);
    m_order->setDynamicSortFilter(true);
    m_order->sort(0, Qt::AscendingOrder);

    m_view->setModel(m_order);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setExpandsOnDoubleClick(false);
    m_view->setSortingEnabled(false);
    m_view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_view->hideColumn(column);

    m_back->setObjectName(QStringLiteral("backButton"));
    m_up->setObjectName(QStringLiteral("upButton"));
    m_home->setObjectName(QStringLiteral("homeButton"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addWidget(m_up);
    bar->addWidget(m_home);
    bar->addWidget(m_path, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
    resize(560, 420);

    m_open = buttons->button(QDialogButtonBox::Open);
    // The list has the keys first: arrows choose, Return enters a folder or opens a file.
    m_view->setFocus();
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ImageChooserDialog::updateButtons);
    // The folder is read in the background; a typed file can only be selected once it is listed.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (!m_pendingName.isEmpty() && loaded == directory())
            selectNames({std::exchange(m_pendingName, QString())});
    });
    connect(m_view, &QTreeView::activated, this, &ImageChooserDialog::enter);
    connect(m_path, &QLineEdit::returnPressed, this, [this] { setDirectory(m_path->text()); });
    connect(m_back, &QToolButton::clicked, this, &ImageChooserDialog::goBack);
    connect(m_up, &QToolButton::clicked, this, &ImageChooserDialog::goUp);
    connect(m_home, &QToolButton::clicked, this, &ImageChooserDialog::goHome);
    connect(buttons, &QDialogButtonBox::accepted, this, &ImageChooserDialog::choose);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const std::optional<QString> last = m_defaults->string(lastFolderKey);
    const QStringList pictures = QStandardPaths::standardLocations(QStandardPaths::PicturesLocation);
    if (last && QFileInfo(*last).isDir())
        showFolder(*last, false);
    else if (!pictures.isEmpty() && QFileInfo(pictures.first()).isDir())
        showFolder(pictures.first(), false);
    else
        showFolder(QDir::homePath(), false);
}

QModelIndex ImageChooserDialog::rootIndex() const
{
    return m_order->mapToSource(m_view->rootIndex());
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
    showFolder(typed.isDir() ? typed.absoluteFilePath() : typed.absolutePath(), true);
    if (!typed.isDir()) {
        m_pendingName = typed.fileName();
        selectNames({m_pendingName});
        if (!selectedUrls().isEmpty())
            m_pendingName.clear();
    }
}

void ImageChooserDialog::showFolder(const QString& folder, bool remember)
{
    const QString current = directory();
    m_pendingName.clear();
    // What was selected elsewhere can no longer be seen, so it is no longer chosen.
    m_view->selectionModel()->clear();
    if (folder != current) {
        if (remember && !current.isEmpty())
            m_history.append(current);
        m_view->setRootIndex(m_order->mapFromSource(m_model->index(folder)));
    }
    m_path->setText(folder);
    updateButtons();
}

void ImageChooserDialog::goBack()
{
    while (!m_history.isEmpty()) {
        const QString previous = m_history.takeLast();
        if (QFileInfo(previous).isDir()) {
            showFolder(previous, false);
            return;
        }
    }
    updateButtons();
}

void ImageChooserDialog::goUp()
{
    QDir folder(directory());
    if (folder.cdUp())
        showFolder(folder.absolutePath(), true);
}

void ImageChooserDialog::goHome()
{
    showFolder(QDir::homePath(), true);
}

void ImageChooserDialog::keyPressEvent(QKeyEvent* event)
{
    // Return in the path field goes to the typed path; it must not also press Open and close the dialog.
    // In the list, Return has opened the current entry already (a folder is entered, a file chosen).
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (m_path->hasFocus() || m_view->hasFocus())) {
        event->accept();
        return;
    }
    if (event->modifiers() == Qt::AltModifier && event->key() == Qt::Key_Up) {
        goUp();
        return;
    }
    if (event->modifiers() == Qt::AltModifier && event->key() == Qt::Key_Left) {
        goBack();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ImageChooserDialog::updateButtons()
{
    m_open->setEnabled(!selectedUrls().isEmpty());
    m_back->setEnabled(!m_history.isEmpty());
    m_up->setEnabled(!QDir(directory()).isRoot());
}

QString ImageChooserDialog::directory() const
{
    return m_model->filePath(rootIndex());
}

void ImageChooserDialog::selectNames(const QStringList& names)
{
    auto* selection = m_view->selectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
        const QModelIndex index = m_order->mapFromSource(m_model->index(QDir(directory()).filePath(name)));
        if (index.isValid())
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QStringList ImageChooserDialog::entryNames() const
{
    QStringList names;
    const QModelIndex root = m_view->rootIndex();
    for (int row = 0; row < m_order->rowCount(root); ++row)
        names << m_order->index(row, 0, root).data(QFileSystemModel::FileNameRole).toString();
    return names;
}

QList<QUrl> ImageChooserDialog::selectedUrls() const
{
    QList<QUrl> urls;
    const QModelIndex root = m_view->rootIndex();
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows()) {
        // Only entries of the folder on show count: nothing hidden from the user is ever chosen.
        if (index.parent() == root)
            urls.append(QUrl::fromLocalFile(m_model->filePath(m_order->mapToSource(index))));
    }
    return urls;
}

void ImageChooserDialog::enter(const QModelIndex& index)
{
    const QModelIndex source = m_order->mapToSource(index);
    if (m_model->isDir(source)) {
        showFolder(m_model->filePath(source), true);
        return;
    }
    // A file opened by double-click or Return is chosen together with whatever else is selected.
    m_view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    choose();
}

void ImageChooserDialog::choose()
{
    const QList<QUrl> urls = selectedUrls();
    if (urls.isEmpty())
        return;
    m_defaults->setString(lastFolderKey, directory());
    accept();
    emit urlsSelected(urls);
}

} // namespace Sheetwright

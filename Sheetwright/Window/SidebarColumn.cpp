#include "SidebarColumn.h"

#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "Sheetwright/Editors/SecondaryLabel.h"
#include "Sheetwright/Extensions/URLIdentity.h"
#include "Sheetwright/Icons/ThemeIcon.h"
#include "WindowModel.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <KestrelExtensions/Logging/Log.h>
#include <KestrelExtensions/String/LocalizedStandardOrder.h>
#include <QAction>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sheetwright {

using KestrelExtensions::localized;
using KestrelExtensions::Log;

SidebarColumn::SidebarColumn(WindowModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_list(new QListWidget(this)),
      m_hint(new SecondaryLabel(localized("Drop files & folders here"), this)), m_add(new QToolButton(this)),
      m_remove(new QToolButton(this)),
      m_removeAction(new QAction(themeIcon(QStringLiteral("list-remove")), QStringLiteral("\u2212"), this))
{
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    auto* header = new QLabel(localized("Images"), this);
    QFont headerFont = header->font();
    headerFont.setBold(true);
    header->setFont(headerFont);
    header->setContentsMargins(8, 6, 8, 2);
    column->addWidget(header);

    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setFrameShape(QFrame::NoFrame);
    // The hint sits in front of the list without taking its clicks.
    m_hint->setTextFormat(Qt::PlainText);
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont caption = m_hint->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_hint->setFont(caption);
    auto* stack = new QGridLayout;
    stack->addWidget(m_list, 0, 0);
    stack->addWidget(m_hint, 0, 0, Qt::AlignCenter);
    column->addLayout(stack, 1);

    auto* bar = new QWidget(this);
    bar->setMaximumHeight(27);
    auto* buttons = new QHBoxLayout(bar);
    buttons->setContentsMargins(8, 0, 0, 0);
    m_add->setAutoRaise(true);
    m_add->setIcon(themeIcon(QStringLiteral("list-add")));
    m_add->setText(QStringLiteral("+"));
    m_add->setToolTip(localized("Open Images\u2026"));
    m_remove->setAutoRaise(true);
    // Only inside the sidebar, so a text field's Ctrl+Backspace keeps deleting words.
    m_removeAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Backspace), QKeySequence(QKeySequence::Delete)});
    m_removeAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(m_removeAction);
    m_remove->setDefaultAction(m_removeAction);
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    column->addWidget(bar);

    connect(m_add, &QToolButton::clicked, this, [this] { m_model.setPresentImporter(true); });
    connect(m_removeAction, &QAction::triggered, this, &SidebarColumn::removeSelected);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &SidebarColumn::selectionDidChange);
    connect(&model, &WindowModel::imagesChanged, this, &SidebarColumn::rebuild);
    rebuild();
}

void SidebarColumn::rebuild()
{
    m_rebuilding = true;
    m_list->clear();
    // The same order as on the pages.
    for (const QUrl& url : KestrelExtensions::orderedImages(m_model.images())) {
        auto* item = new QListWidgetItem(RuvedovUzedoz::LocalPath::displayName(url), m_list);
        item->setData(Qt::UserRole, url);
        item->setData(Qt::UserRole + 1, urlIdentity(url));
        item->setSelected(m_selectedImages.contains(url));
    }
    m_rebuilding = false;
    selectionDidChange();
}

void SidebarColumn::selectionDidChange()
{
    if (m_rebuilding)
        return;
    m_selectedImages.clear();
    for (const QListWidgetItem* item : m_list->selectedItems())
        m_selectedImages.insert(item->data(Qt::UserRole).toUrl());
    m_removeAction->setEnabled(!m_selectedImages.isEmpty());
}

void SidebarColumn::removeSelected()
{
    if (m_selectedImages.isEmpty())
        return;
    const QSet<QUrl> selected = m_selectedImages;
    m_model.mutateSheet([&](RuvedovUzedoz::ContactSheet& sheet) { sheet.remove(selected); });
    m_list->clearSelection();
    m_selectedImages.clear();
    m_removeAction->setEnabled(false);
}

QList<QUrl> SidebarColumn::localFiles(const QMimeData* mimeData)
{
    QList<QUrl> urls;
    if (!mimeData || !mimeData->hasUrls())
        return urls;
    for (const QUrl& url : mimeData->urls()) {
        if (url.isLocalFile())
            urls.append(url);
    }
    return urls;
}

void SidebarColumn::dragEnterEvent(QDragEnterEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty())
        return;
    m_isTargeted = true;
    event->acceptProposedAction();
}

void SidebarColumn::dragMoveEvent(QDragMoveEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void SidebarColumn::dragLeaveEvent(QDragLeaveEvent*)
{
    m_isTargeted = false;
}

void SidebarColumn::dropEvent(QDropEvent* event)
{
    m_isTargeted = false;
    const QList<QUrl> urls = localFiles(event->mimeData());
    if (urls.isEmpty())
        return;
    Log::system(QStringLiteral("Dropping %1 items").arg(urls.size()));
    event->acceptProposedAction();
    // Listing folders takes time; the drag source is released first.
    QTimer::singleShot(0, &m_model, [model = &m_model, urls] { model->addDroppedURLs(urls); });
}

} // namespace Sheetwright

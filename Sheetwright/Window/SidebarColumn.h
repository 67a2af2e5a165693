#pragma once

#include <QList>
#include <QSet>
#include <QUrl>
#include <QWidget>

class QAction;
class QLabel;
class QListWidget;
class QMimeData;
class QToolButton;

namespace Sheetwright {

class WindowModel;

// The image list: file names in the one order of the whole system, a plus button that opens the image
// chooser and a minus button that removes the selected images. It is also the window's drop target for
// files and folders, with the hint always shown in front of the list.
class SidebarColumn : public QWidget {
    Q_OBJECT
public:
    explicit SidebarColumn(WindowModel& model, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    QLabel* hint() const { return m_hint; }
    QToolButton* addButton() const { return m_add; }
    QToolButton* removeButton() const { return m_remove; }
    QAction* removeAction() const { return m_removeAction; }
    const QSet<QUrl>& selectedImages() const { return m_selectedImages; }
    // True while a drag of files hovers over the column.
    bool isTargeted() const { return m_isTargeted; }

    // Removes the selected images in one change, then empties the selection.
    void removeSelected();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void rebuild();
    void selectionDidChange();
    static QList<QUrl> localFiles(const QMimeData* mimeData);

    WindowModel& m_model;
    QListWidget* m_list;
    QLabel* m_hint;
    QToolButton* m_add;
    QToolButton* m_remove;
    QAction* m_removeAction;
    QSet<QUrl> m_selectedImages;
    bool m_isTargeted = false;
    bool m_rebuilding = false;
};

} // namespace Sheetwright

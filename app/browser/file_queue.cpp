#include "app/browser/file_queue.h"

#include "app/browser/file_drag.h"
#include "app/browser/file_queue_store.h"
#include "app/shell/text_helpers.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyle>

namespace klv::app {

QString entryCaption(const QString& path) {
    return fileNameOf(path);
}

FileQueue::FileQueue(int index, ProgramState& state, QWidget* parent)
    : QTreeWidget(parent), m_index(index), m_state(state) {
    setColumnCount(1);
    setHeaderLabels({QStringLiteral("Filename")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setObjectName(index == 0 ? QStringLiteral("lstQueue1") : QStringLiteral("lstQueue2"));
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr)
            emit entrySelected(item->data(0, Qt::UserRole).toString());
    });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        emit entrySelected(item->data(0, Qt::UserRole).toString());
    });
}

bool FileQueue::removeAfterDrag() const {
    return (m_index == 0 ? m_state.options.RemQueue1 : m_state.options.RemQueue2) != 0;
}

bool FileQueue::refuseDuplicates() const {
    return (m_index == 0 ? m_state.options.NoDupes1 : m_state.options.NoDupes2) != 0;
}

void FileQueue::load() {
    clear();
    m_highlight = -1;
    for (const QString& path : loadQueuePaths(m_index))
        addTopLevelItem(makeEntry(path));
}

void FileQueue::save() const {
    saveQueuePaths(m_index, paths());
}

QStringList FileQueue::paths() const {
    QStringList result;
    for (int row = 0; row < topLevelItemCount(); ++row)
        result.append(pathAt(row));
    return result;
}

QString FileQueue::pathAt(int row) const {
    const QTreeWidgetItem* entry = topLevelItem(row);
    return entry != nullptr ? entry->data(0, Qt::UserRole).toString() : QString();
}

int FileQueue::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void FileQueue::selectRow(int row) {
    QTreeWidgetItem* entry = topLevelItem(row);
    if (entry == nullptr)
        return;
    setCurrentItem(entry);
    entry->setSelected(true);
    scrollToItem(entry);
}

QTreeWidgetItem* FileQueue::makeEntry(const QString& path) const {
    auto* entry = new QTreeWidgetItem({entryCaption(path)});
    entry->setData(0, Qt::UserRole, path);
    entry->setToolTip(0, path);
    entry->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    return entry;
}

void FileQueue::insertEntry(int row, const QString& path) {
    insertTopLevelItem(row, makeEntry(path));
    selectRow(row);
}

int FileQueue::rowWithPath(const QString& path) const {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (pathAt(row) == path) // case matters: two files may differ only in case
            return row;
    }
    return -1;
}

void FileQueue::addFile(const QString& path) {
    insertEntry(topLevelItemCount(), path);
}

void FileQueue::dropFile(const QString& path, bool fromSelf, int highlightRow) {
    const int count = topLevelItemCount();
    const int target = highlightRow >= 0 && highlightRow < count ? highlightRow : -1;
    const int source = m_dragSource - 1;
    setHighlight(-1);
    if (count == 0) {
        insertEntry(0, path);
    } else if (!fromSelf || source < 0 || source >= count) {
        if (refuseDuplicates()) {
            const int existing = rowWithPath(path);
            if (existing >= 0) {
                selectRow(existing);
                return;
            }
        }
        insertEntry(target >= 0 ? target : count, path);
    } else {
        m_dragSource = 0;
        if (target == source)
            return;
        const QString moved = pathAt(source);
        delete takeTopLevelItem(source);
        // Above the old place the entry goes before the one under the pointer, below it after.
        const int row = target < 0 ? count - 1 : target;
        insertEntry(row, moved);
    }
}

QString FileQueue::beginDrag() {
    m_dragSource = 0;
    const int row = selectedRow();
    if (row < 0)
        return {};
    m_dragSource = row + 1;
    return pathAt(row);
}

void FileQueue::endDrag(Qt::DropAction effect) {
    if (m_dragSource > 0 && removeAfterDrag() && effect != Qt::IgnoreAction)
        delete takeTopLevelItem(m_dragSource - 1);
    setHighlight(-1);
    m_dragSource = 0;
}

void FileQueue::setHighlight(int row) {
    if (row == m_highlight)
        return;
    if (QTreeWidgetItem* old = topLevelItem(m_highlight)) {
        old->setBackground(0, QBrush());
        old->setForeground(0, QBrush());
    }
    m_highlight = -1;
    if (QTreeWidgetItem* entry = topLevelItem(row)) {
        entry->setBackground(0, palette().brush(QPalette::Highlight));
        entry->setForeground(0, palette().brush(QPalette::HighlightedText));
        m_highlight = row;
    }
}

void FileQueue::removeSelected() {
    const int row = selectedRow();
    if (row >= 0)
        delete takeTopLevelItem(row);
}

void FileQueue::clearQueue() {
    m_highlight = -1;
    clear();
}

int FileQueue::rowAt(const QPoint& viewportPos) const {
    QTreeWidgetItem* entry = itemAt(viewportPos);
    return entry != nullptr ? indexOfTopLevelItem(entry) : -1;
}

void FileQueue::startDrag(Qt::DropActions) {
    const QString path = beginDrag();
    if (path.isEmpty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(fileDragPayload(path));
    endDrag(drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction));
}

void FileQueue::dragEnterEvent(QDragEnterEvent* event) {
    const Qt::DropAction effect = listDragEffect(event->mimeData(), event->source() == this);
    if (effect == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(effect);
    event->accept();
}

void FileQueue::dragMoveEvent(QDragMoveEvent* event) {
    const Qt::DropAction effect = listDragEffect(event->mimeData(), event->source() == this);
    if (effect == Qt::IgnoreAction) {
        setHighlight(-1);
        event->ignore();
        return;
    }
    setHighlight(rowAt(event->position().toPoint()));
    event->setDropAction(effect);
    event->accept();
}

void FileQueue::dragLeaveEvent(QDragLeaveEvent* event) {
    setHighlight(-1);
    event->accept();
}

void FileQueue::dropEvent(QDropEvent* event) {
    const QString path = acceptedDropFile(event->mimeData());
    if (path.isEmpty()) {
        setHighlight(-1);
        event->ignore();
        return;
    }
    dropFile(path, event->source() == this, m_highlight);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileQueue::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete:
        removeSelected();
        return;
    case Qt::Key_Space:
        emit preListenToggled();
        return;
    default:
        QTreeWidget::keyPressEvent(event);
    }
}

void FileQueue::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr) {
        removeSelected();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

void FileQueue::contextMenuEvent(QContextMenuEvent* event) {
    if (topLevelItemCount() > 0)
        emit menuRequested(event->globalPos());
}

} // namespace klv::app

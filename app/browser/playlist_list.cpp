#include "app/browser/playlist_list.h"

#include "app/browser/playlist_editor.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>

namespace klv::app {

PlaylistList::PlaylistList(PlaylistEditor& editor, QWidget* parent)
    : QListWidget(parent), m_editor(editor) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // The page decides where a dropped entry goes; the view must not move items itself.
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setUniformItemSizes(true);
}

void PlaylistList::startDrag(Qt::DropActions supportedActions) {
    (void)supportedActions;
    QMimeData* payload = m_editor.beginDrag(currentRow());
    if (payload == nullptr)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(payload);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    m_editor.endDrag();
}

void PlaylistList::followDrag(QDropEvent* event) {
    const auto effect = static_cast<Qt::DropAction>(m_editor.dragEffect(event->mimeData()));
    if (effect == Qt::IgnoreAction) {
        // A refused drag gets no leave event later, so it must leave no highlight behind.
        m_editor.setHighlight(-1);
        event->ignore();
        return;
    }
    const QModelIndex under = indexAt(event->position().toPoint());
    m_editor.setHighlight(under.isValid() ? under.row() : -1);
    event->setDropAction(effect);
    event->accept();
}

void PlaylistList::dragEnterEvent(QDragEnterEvent* event) {
    followDrag(event);
    if (event->isAccepted())
        setState(DraggingState);
}

void PlaylistList::dragMoveEvent(QDragMoveEvent* event) {
    followDrag(event);
    // Near the top or bottom edge the list scrolls, so an entry can travel a long playlist.
    const int y = event->position().toPoint().y();
    if (event->isAccepted() && hasAutoScroll() &&
        (y < autoScrollMargin() || y > viewport()->height() - autoScrollMargin()))
        startAutoScroll();
}

void PlaylistList::dragLeaveEvent(QDragLeaveEvent* event) {
    stopAutoScroll();
    setState(NoState);
    m_editor.setHighlight(-1);
    event->accept();
}

void PlaylistList::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(NoState);
    // The highlight of the last move says where the entry goes; the pointer of the drop itself
    // lies on the same entry.
    const QModelIndex under = indexAt(event->position().toPoint());
    m_editor.setHighlight(under.isValid() ? under.row() : -1);
    m_editor.drop(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void PlaylistList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete:
        m_editor.removeSelected();
        return;
    case Qt::Key_F5:
        m_editor.refill();
        return;
    case Qt::Key_Space:
        emit m_editor.prelistenToggled();
        return;
    default:
        QListWidget::keyPressEvent(event);
    }
}

void PlaylistList::contextMenuEvent(QContextMenuEvent* event) {
    if (count() == 0)
        return;
    m_editor.showContextMenu(event->globalPos());
}

} // namespace klv::app

#include "app/browser/navigator_file_list.h"

#include "app/browser/file_drag.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>

namespace klv::app {

NavigatorFileList::NavigatorFileList(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("lstFiles"));
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* entry) {
        emit entryClicked(entry->data(0, kPathRole).toString(),
                          entry->data(0, kFolderRole).toBool());
    });
}

QTreeWidgetItem* NavigatorFileList::makeEntry(const QString& caption, const QString& path,
                                              bool folder) {
    auto* entry = new QTreeWidgetItem({caption});
    entry->setData(0, kPathRole, path);
    entry->setData(0, kFolderRole, folder);
    entry->setToolTip(0, path);
    entry->setIcon(0, style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
    addTopLevelItem(entry);
    return entry;
}

QTreeWidgetItem* NavigatorFileList::addFolder(const QString& name, const QString& path) {
    return makeEntry(QLatin1Char(' ') + name, path, true);
}

QTreeWidgetItem* NavigatorFileList::addFile(const QString& name, const QString& path) {
    return makeEntry(name, path, false);
}

QStringList NavigatorFileList::captions() const {
    QStringList result;
    for (int row = 0; row < topLevelItemCount(); ++row)
        result.append(topLevelItem(row)->text(0));
    return result;
}

QString NavigatorFileList::selectedPath() const {
    const QTreeWidgetItem* entry = currentItem();
    return entry != nullptr && entry->isSelected() ? entry->data(0, kPathRole).toString()
                                                   : QString();
}

bool NavigatorFileList::selectedIsFolder() const {
    const QTreeWidgetItem* entry = currentItem();
    return entry != nullptr && entry->data(0, kFolderRole).toBool();
}

QTreeWidgetItem* NavigatorFileList::entryWithCaption(const QString& caption) const {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->text(0) == caption)
            return topLevelItem(row);
    }
    return nullptr;
}

void NavigatorFileList::startDrag(Qt::DropActions) {
    const QTreeWidgetItem* entry = currentItem();
    if (entry == nullptr || entry->data(0, kFolderRole).toBool())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(fileDragPayload(entry->data(0, kPathRole).toString()));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void NavigatorFileList::keyPressEvent(QKeyEvent* event) {
    const QTreeWidgetItem* entry = currentItem();
    const bool onFolder = entry != nullptr && entry->data(0, kFolderRole).toBool();
    switch (event->key()) {
    case Qt::Key_F5:
        emit refreshRequested();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & Qt::AltModifier)
            break; // the window's full-screen key
        if (entry != nullptr)
            emit entryActivated(selectedPath(), onFolder);
        return;
    case Qt::Key_Left:
        emit upRequested();
        return;
    case Qt::Key_Right:
        if (onFolder)
            emit entryActivated(selectedPath(), true);
        return;
    case Qt::Key_Space:
        emit preListenToggled();
        return;
    default:
        break;
    }
    QTreeWidget::keyPressEvent(event);
}

void NavigatorFileList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::BackButton) {
        emit historyStep(-1);
        return;
    }
    if (event->button() == Qt::ForwardButton) {
        emit historyStep(1);
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void NavigatorFileList::mouseDoubleClickEvent(QMouseEvent* event) {
    const QTreeWidgetItem* entry = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && entry != nullptr) {
        emit entryActivated(entry->data(0, kPathRole).toString(),
                            entry->data(0, kFolderRole).toBool());
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

void NavigatorFileList::contextMenuEvent(QContextMenuEvent* event) {
    emit menuRequested(event->globalPos());
}

} // namespace klv::app

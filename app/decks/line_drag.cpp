// Files dragged onto a line and songs dragged away from it.

#include "app/decks/line_control.h"

#include "app/browser/file_drag.h"
#include "app/shell/desk.h"
#include "app/shell/playable.h"
#include "app/shell/text_helpers.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace klv::app {

std::unique_ptr<QMimeData> LineControl::dragPayload() const {
    const QString path = m_playlistId >= 0 ? m_playlist : m_fileName;
    if (path.isEmpty())
        return nullptr;
    return std::unique_ptr<QMimeData>(fileDragPayload(path));
}

QString LineControl::dropRefusal(const QMimeData* data) const {
    const QString path = firstDraggedFile(data);
    if (path.isEmpty())
        return QStringLiteral("Only files can be dropped on a line");
    if (!isPlayable(path))
        return QStringLiteral("Not an audio file or playlist: ") + fileNameOf(path);
    if (areYouPlaying() && m_desk.state().options.NoDropPlaying == 1)
        return QStringLiteral("Line %1 is playing: stop it before dropping a file on it")
            .arg(m_number + 1);
    return {};
}

void LineControl::dragEnterEvent(QDragEnterEvent* event) {
    // A file that the line refuses is still let in, so that the refusal can be shown while it
    // is dragged over (the moves are ignored: the pointer says no) and explained when it is
    // let go here.
    if (m_dragSource || firstDraggedFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    m_dropRefused = dropRefusal(event->mimeData());
    event->setDropAction(m_dropRefused.isEmpty() ? Qt::CopyAction : Qt::IgnoreAction);
    event->accept();
}

void LineControl::dragMoveEvent(QDragMoveEvent* event) {
    if (m_dropRefused.isEmpty() && !m_dragSource) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    }
}

void LineControl::dragLeaveEvent(QDragLeaveEvent* event) {
    // A refused drag that the source ends over the line (the button let go here) gets no drop
    // event: say why in the status bar. A drag that only passes over says nothing.
    if (!m_dropRefused.isEmpty() && QGuiApplication::mouseButtons() == Qt::NoButton &&
        rect().contains(mapFromGlobal(QCursor::pos())))
        m_desk.routeMessage(m_dropRefused, 0, 0);
    m_dropRefused.clear();
    KnobInput::dragLeaveEvent(event);
}

void LineControl::dropEvent(QDropEvent* event) {
    const QString refusal = m_dragSource ? QString() : dropRefusal(event->mimeData());
    QString path = firstDraggedFile(event->mimeData());
    m_dropRefused.clear();
    if (m_dragSource || path.isEmpty() || !refusal.isEmpty()) {
        if (!refusal.isEmpty())
            m_desk.routeMessage(refusal, 0, 0);
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    path = resolveShortcut(path);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        loadFile(path);
        if (m_desk.state().options.AutoPlay == 1) {
            klvPause(&current());
            updateButtons();
        }
    }
}

void LineControl::startFileDrag() {
    std::unique_ptr<QMimeData> data = dragPayload();
    if (!data)
        return;
    m_dragSource = true;
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    const Qt::DropAction result = drag->exec(Qt::CopyAction);
    fileDragEnded(result);
}

void LineControl::fileDragEnded(Qt::DropAction result) {
    m_dragSource = false;
    if (result != Qt::CopyAction)
        return;
    // The song went to another line or window: it moved, unless a started line must keep it.
    if (m_desk.state().options.NoDropPlaying == 1 && currentState() != 1)
        return;
    clearFile();
}

} // namespace klv::app

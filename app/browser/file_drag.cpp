#include "app/browser/file_drag.h"

#include "app/shell/playable.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace klv::app {

QMimeData* fileDragPayload(const QString& path) {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(path)});
    return data;
}

QString firstDraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return {};
    return urls.first().toLocalFile();
}

QString acceptedDropFile(const QMimeData* data) {
    const QString path = firstDraggedFile(data);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    return path;
}

bool dragIsPlayable(const QMimeData* data) {
    const QString path = firstDraggedFile(data);
    // Only regular files are asked: reading a named pipe or a device would block.
    return !path.isEmpty() && QFileInfo(path).isFile() && isPlayable(path);
}

Qt::DropAction listDragEffect(const QMimeData* data, bool fromSameList) {
    if (!dragIsPlayable(data))
        return Qt::IgnoreAction;
    return fromSameList ? Qt::MoveAction : Qt::CopyAction;
}

QString resolveShortcut(const QString& path) {
    if (!QFileInfo(path).isSymLink())
        return path;
    const QString target = resolveLink(path);
    return target.isEmpty() ? path : target;
}

} // namespace klv::app

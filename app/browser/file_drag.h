#pragma once
// Files travel between the navigator's lists, the lines and other programs as a list of file
// URIs (text/uri-list), the format desktop file managers drag files in. A list that starts a
// drag puts exactly one file into it; a receiver only ever looks at the first file, so a drag
// of many files from a file manager brings its first one. [ui-thread]

#include <QString>
#include <Qt>

class QMimeData;

namespace klv::app {

// The payload a navigator list or a line hands to QDrag for one file (owned by the caller
// until given to QDrag).
QMimeData* fileDragPayload(const QString& path);

// The local path of the payload's first file; empty when the payload holds no local file
// (plain text, a web address, nothing at all).
QString firstDraggedFile(const QMimeData* data);

// What a receiver takes: the first file when it names an existing file or folder (a link is
// followed), otherwise empty, and the drop is ignored.
QString acceptedDropFile(const QMimeData* data);

// Whether the payload's first file is one a line can take (IsPlayable: audio or playlist,
// a link judged by its target).
bool dragIsPlayable(const QMimeData* data);

// The effect a queue or the playlist reports while a payload is dragged over it: none unless
// the payload is playable, then move when it comes from that list itself and copy otherwise.
Qt::DropAction listDragEffect(const QMimeData* data, bool fromSameList);

// The file a symbolic link points to, or path itself when it is no link or cannot be resolved.
QString resolveShortcut(const QString& path);

} // namespace klv::app

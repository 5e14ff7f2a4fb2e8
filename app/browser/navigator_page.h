#pragma once
// The playlist page on the navigator's third tab, seen from the navigator: built, wired to the
// navigator's information panels and pre-listen, fed from the file list and closed. [ui-thread]

#include <QString>

class QWidget;

namespace klv::app {

class Desk;
class Navigator;

QWidget* makePlaylistPage(Desk& desk, QWidget* parent);
// Selecting an entry shows its information; Space plays or stops the pre-listen; the context
// menu's "Open in Line" lists the lines.
void connectPlaylistPage(QWidget& page, Navigator& navigator);
// A file from the file list (double click, Enter, "Add to Playlist").
void addToPlaylistPage(QWidget& page, const QString& path);
// The navigator closes: unsaved changes are offered for saving.
void closePlaylistPage(QWidget& page);

} // namespace klv::app

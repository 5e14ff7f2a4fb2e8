#include "app/browser/navigator_page.h"

#include "app/browser/navigator_lines.h"
#include "app/browser/navigator_prelisten.h"
#include "app/browser/navigator_window.h"
#include "app/browser/playlist_editor.h"

#include <QMenu>

namespace klv::app {

namespace {

PlaylistEditor& editorOf(QWidget& page) {
    return static_cast<PlaylistEditor&>(page);
}

} // namespace

QWidget* makePlaylistPage(Desk& desk, QWidget* parent) {
    return new PlaylistEditor(desk, parent);
}

void connectPlaylistPage(QWidget& page, Navigator& navigator) {
    PlaylistEditor& editor = editorOf(page);
    QObject::connect(&editor, &PlaylistEditor::entrySelected, &navigator, &Navigator::getInfo);
    QObject::connect(&editor, &PlaylistEditor::prelistenToggled, &navigator.preListen(),
                     &PreListenPlayer::toggle);
    QObject::connect(&editor, &PlaylistEditor::openInLineMenu, &navigator,
                     [&navigator](QMenu* submenu) { navigator.fillOpenInLine(*submenu); });
}

void addToPlaylistPage(QWidget& page, const QString& path) {
    editorOf(page).addFromFileList(path);
}

void closePlaylistPage(QWidget& page) {
    editorOf(page).offerSaveOnClose();
}

} // namespace klv::app

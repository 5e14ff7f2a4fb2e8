#include "app/browser/navigator_page.h"

#include "app/browser/navigator_window.h"

#include <QWidget>

namespace klv::app {

QWidget* makePlaylistPage(Desk& desk, QWidget* parent) {
    (void)desk;
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("playlistPage"));
    return page;
}

void connectPlaylistPage(QWidget& page, Navigator& navigator) {
    (void)page;
    (void)navigator;
}

void addToPlaylistPage(QWidget& page, const QString& path) {
    (void)page;
    (void)path;
}

void closePlaylistPage(QWidget& page) {
    (void)page;
}

} // namespace klv::app

#pragma once
// The list of the playlist page: passes its keys, double clicks, context menu and drag and drop
// to the page, which keeps the playlist. [ui-thread]

#include <QListWidget>

namespace klv::app {

class PlaylistEditor;

class PlaylistList final : public QListWidget {
    Q_OBJECT
public:
    explicit PlaylistList(PlaylistEditor& editor, QWidget* parent = nullptr);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Sets the drop highlight from the pointer and answers the drag with the page's effect.
    void followDrag(QDropEvent* event);

    PlaylistEditor& m_editor;
};

} // namespace klv::app

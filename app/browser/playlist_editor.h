#pragma once
// The navigator's playlist page: one playlist the engine holds, shown entry by entry in the
// engine's order, built from the file list, from dragged files and from a file dialog, sorted,
// shuffled, reordered by dragging, and loaded from and saved to playlist files. The list never
// keeps an order of its own: every edit goes to the engine first and the list is read back.
// [ui-thread]

#include <QString>
#include <QWidget>

#include <cstdint>

class QListWidget;
class QListWidgetItem;
class QMenu;
class QMimeData;
class QPushButton;

namespace klv::app {

class Desk;
class PlaylistList;

class PlaylistEditor final : public QWidget {
    Q_OBJECT
public:
    // Answers of the save question.
    enum class SaveAnswer { GoOn, Stop };

    // Creates the empty playlist the page starts with.
    explicit PlaylistEditor(Desk& desk, QWidget* parent = nullptr);
    // Closes the engine's playlist without asking; the navigator asks first
    // (offerSaveOnClose).
    ~PlaylistEditor() override;

    // OpenPlaylist: the only way a playlist file is loaded. Whatever was open is closed first;
    // when the file cannot be read the page keeps an empty playlist and says so.
    void openPlaylist(const QString& fName);
    // A file from the navigator's file list (double click, Enter, "Add to Playlist"): appended,
    // selected and scrolled into view.
    void addFromFileList(const QString& path);
    // When the navigator closes: while there are unsaved changes, asks Yes/No and saves on Yes.
    void offerSaveOnClose();

    // The seven buttons' actions.
    void newPlaylist();
    void openFromDialog();
    void save();
    void saveAs();
    void sortAlphabetically();
    void randomize();
    void addFromDialog();
    // Removes the selected entry (double click, Delete, "Remove File").
    void removeSelected();
    // Reads the whole list back from the engine (F5).
    void refill();

    // The save question asked before New, Open and opening a dropped playlist.
    SaveAnswer askSave();

    // Dragging. beginDrag makes the payload of the entry at row (null for an empty list or no
    // entry there) and remembers where it came from; endDrag forgets it, wherever the drop
    // went. The list's own drag calls both around the platform's drag.
    QMimeData* beginDrag(int row);
    void endDrag();
    // 1-based position of the entry being dragged out of this list, 0 when none.
    int dragSource() const { return m_dragSource; }

    int32_t playlist() const { return m_playlist; }
    const QString& playlistFile() const { return m_playlistFile; }
    bool changed() const { return m_changed; }
    // The paths the list shows, in order.
    QStringList entries() const;
    // Row of the drop-highlighted entry, -1 when none.
    int highlightedRow() const;

    QListWidget* list() const;
    QPushButton* newButton() const { return m_new; }
    QPushButton* openButton() const { return m_open; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* saveAsButton() const { return m_saveAs; }
    QPushButton* sortButton() const { return m_sort; }
    QPushButton* randomizeButton() const { return m_rand; }
    QPushButton* addButton() const { return m_add; }

signals:
    // An entry was selected: the navigator shows its information and enables pre-listen.
    void entrySelected(const QString& path);
    // Space on the list: play or stop the pre-listen player.
    void prelistenToggled();
    // The context menu is being built: the navigator fills "Open in Line" (one item per line)
    // for the selected entry. Emitted directly, while the menu is not yet shown.
    void openInLineMenu(QMenu* submenu);

private:
    friend class PlaylistList;

    // Drag and drop on the list, called by the list's event handlers.
    int dragEffect(const QMimeData* payload) const; // Qt::DropAction as int
    void setHighlight(int row);
    void drop(const QMimeData* payload);
    void dropPlaylist(const QString& path);
    void dropOutside(const QString& path);
    void dropMove();
    void showContextMenu(const QPoint& globalPos);

    void ensurePlaylist();
    void closePlaylist();
    void setChanged(bool changed);
    void updateButtons();
    void selectRow(int row);
    QPushButton* makeButton(const QString& caption, const QString& tooltip);
    void layOutButtons();
    void resizeEvent(QResizeEvent* event) override;

    Desk& m_desk;
    int32_t m_playlist = -1;
    QString m_playlistFile;
    bool m_changed = false;
    bool m_sortDescending = false; // the next sort's direction
    int m_dragSource = 0;
    QListWidgetItem* m_highlight = nullptr;

    PlaylistList* m_list = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_saveAs = nullptr;
    QPushButton* m_sort = nullptr;
    QPushButton* m_rand = nullptr;
    QPushButton* m_add = nullptr;
};

} // namespace klv::app

#pragma once
// One of the navigator's two file queues: files the DJ collects ahead of time and later drags
// onto lines. An entry shows the file name and carries the full path as its data and tooltip.
// Drops bring a file from anywhere (first file of the payload only); RemQueue gives an entry up
// once a drag out of the queue was accepted somewhere; NoDupes refuses a file the queue holds
// already and selects the entry that has it. [ui-thread]

#include "app/shell/program_state.h"

#include <QStringList>
#include <QTreeWidget>

namespace klv::app {

class FileQueue : public QTreeWidget {
    Q_OBJECT
public:
    // index 0 is queue 1, index 1 queue 2; the options are read at every use.
    FileQueue(int index, ProgramState& state, QWidget* parent = nullptr);

    int queueIndex() const { return m_index; }

    // Loading when the navigator opens and saving when it closes.
    void load();
    void save() const;

    QStringList paths() const;
    QString pathAt(int row) const;
    int entryCount() const { return topLevelItemCount(); }
    // The selected row, -1 when none.
    int selectedRow() const;
    void selectRow(int row);

    // From the file list (double click, Enter, "Add to Queue"): appended and shown, without
    // the duplicate check.
    void addFile(const QString& path);
    // An accepted drop of path; fromSelf when it was dragged out of this queue. highlightRow
    // is the entry under the pointer (-1: none), before which or after which the file goes.
    void dropFile(const QString& path, bool fromSelf, int highlightRow);

    // A drag out of the queue starts: the selected entry's path (empty: nothing to drag) and
    // its 1-based position is remembered until the drag ends.
    QString beginDrag();
    // The drag ended with the target's effect; with RemQueue an accepted drag gives the entry
    // up unless the drop moved it inside this queue.
    void endDrag(Qt::DropAction effect);
    int dragSource() const { return m_dragSource; }

    // The drop highlight (-1: none).
    int highlightRow() const { return m_highlight; }
    void setHighlight(int row);

    // Double click, Delete, "Remove File".
    void removeSelected();
    // "Clear Queue".
    void clearQueue();

    bool removeAfterDrag() const;
    bool refuseDuplicates() const;

signals:
    // An entry was selected; the navigator shows its properties.
    void entrySelected(const QString& path);
    // Space on the list: play or stop the pre-listen.
    void preListenToggled();
    void menuRequested(const QPoint& globalPos);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QTreeWidgetItem* makeEntry(const QString& path) const;
    void insertEntry(int row, const QString& path);
    int rowWithPath(const QString& path) const;
    int rowAt(const QPoint& viewportPos) const;

    int m_index;
    ProgramState& m_state;
    int m_dragSource = 0;
    int m_highlight = -1;
};

// The caption of a file entry: what follows the last "/", or the whole path without one.
QString entryCaption(const QString& path);

} // namespace klv::app

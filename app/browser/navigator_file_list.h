#pragma once
// The navigator's file list: the folders and playable files of the current folder. Folder
// captions start with a space, so sorted by caption they stand before the files. Only a file
// can be dragged out, and only as a copy. The keys and the mouse's back and forward buttons
// are handed to the navigator as signals. [ui-thread]

#include <QTreeWidget>

namespace klv::app {

class NavigatorFileList : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kPathRole = Qt::UserRole;
    static constexpr int kFolderRole = Qt::UserRole + 1;

    explicit NavigatorFileList(QWidget* parent = nullptr);

    // A folder entry: " name", folder icon. A file entry: its name, file icon.
    QTreeWidgetItem* addFolder(const QString& name, const QString& path);
    QTreeWidgetItem* addFile(const QString& name, const QString& path);

    // What the list shows, in order, and the path of the selected entry.
    QStringList captions() const;
    QString selectedPath() const;
    bool selectedIsFolder() const;
    QTreeWidgetItem* entryWithCaption(const QString& caption) const;

signals:
    void entryClicked(const QString& path, bool isFolder);
    void entryActivated(const QString& path, bool isFolder); // Enter, double click
    void upRequested();                                      // Left arrow
    void refreshRequested();                                 // F5
    void preListenToggled();                                 // Space
    void historyStep(int direction);                         // back -1, forward +1
    void menuRequested(const QPoint& globalPos);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QTreeWidgetItem* makeEntry(const QString& caption, const QString& path, bool folder);
};

} // namespace klv::app

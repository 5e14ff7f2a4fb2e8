#pragma once
// frmNavigator, "KLV File Navigator": a separate window under the main window. Its left half
// browses mounted file systems and folders and lists what the program can play or load; its
// right half holds the two file queues and the playlist editor on three tabs; the bottom row
// auditions the selected file on the navigator's own LineHandle and shows its properties in
// seven panels. Building the window opens it (history, drives, queues, last folder); closing
// or destroying it saves the queues and closes the pre-listen line. [ui-thread]

#include "app/browser/navigator_history.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QComboBox;
class QMenu;
class QLabel;
class QToolButton;
class QStackedWidget;

namespace klv::app {

class Desk;
class FileQueue;
class FileQueueTabs;
class NavigatorFileList;
class PreListenPlayer;
class IntervalTimer;

// The timers a test steps itself (null: real ones): the pre-listen's 100 ms stop timer and the
// tab strip's half-second drag timer. The navigator owns them.
struct NavigatorTimers {
    IntervalTimer* stop = nullptr;
    IntervalTimer* tabHover = nullptr;
};

class Navigator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kQueueTab1 = 0;
    static constexpr int kQueueTab2 = 1;
    static constexpr int kPlaylistTab = 2;

    // Opens the navigator: sets the program's navigator-open flag, reads the drives, the
    // queues and "Last Dir", places itself under the main window and lists the last folder.
    // parent: the main window, which the navigator stays on top of.
    explicit Navigator(Desk& desk, QWidget* parent = nullptr, NavigatorTimers timers = {});
    ~Navigator() override;

    // LoadDir: shows a folder (inside NavDir while the restriction holds).
    void loadDir(const QString& dirName);
    // GetInfo: shows a file's properties and makes it the selected file.
    void getInfo(const QString& fName);
    // Update: re-places the window, re-reads the queue titles and the restriction.
    void updateNavigator();
    // SeeIfOK: applies or lifts the restriction to NavDir and reloads the current folder.
    void seeIfOK();
    // Unload: offers the playlist for saving, closes the pre-listen line, saves the queues and
    // clears the navigator-open flag. Runs once; closing and destroying both call it.
    void unload();

    // What the window shows, for the main window and for tests.
    QString currentDir() const { return m_currentDir; }
    QString selectedFile() const;
    bool restricted() const { return m_restricted; }
    const NavigatorHistory& history() const { return m_history; }
    int currentTab() const { return m_currentTab; }
    void selectTab(int tab);
    NavigatorFileList& fileList() { return *m_fileList; }
    FileQueue& queue(int index) { return *m_queues[static_cast<size_t>(index)]; }
    PreListenPlayer& preListen() { return *m_preListen; }
    QComboBox& driveBox() { return *m_driveBox; }
    QToolButton& upButton() { return *m_upButton; }
    QLabel& folderLabel() { return *m_folderLabel; }
    FileQueueTabs& tabs() { return *m_tabs; }
    // The page shown on the playlist tab.
    QWidget& playlistPage() { return *m_playlistPage; }

    // The context menu of the file list (source -1) or of queue source (0 or 1), as the right
    // button shows it.
    std::unique_ptr<QMenu> buildMenu(int source);

    // The list actions of the keys and the context menu.
    void goUp();
    void historyStep(int direction); // -1 back, +1 forward
    void refresh();                  // F5
    // Enter or a double click on a file-list entry: a folder opens, a file goes to the tab.
    void activateEntry(const QString& path, bool isFolder);
    void addToCurrentTab(const QString& path);
    // "Open in Line": the selected file on line number (0-based).
    void openInLine(int number);
    // The "Open in Line" submenu: one item per line.
    void fillOpenInLine(QMenu& submenu);

signals:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void layoutWidgets();
    void openWindow();
    void readDrives();
    void selectDriveOf(const QString& path);
    void driveChosen(int index);
    void listFolder(const QString& folder, const QString& childToSelect);
    void showMenu(int source, const QPoint& globalPos);
    void fileClicked(const QString& path, bool isFolder);
    void tabChosen(int tab);
    void addToPlaylist(const QString& path);
    bool restrictionInForce() const;
    QString lastFolder() const;
    QString navDir() const;
    void log(const char* procedure, const QString& what) const;

    Desk& m_desk;
    QComboBox* m_driveBox = nullptr;
    QToolButton* m_upButton = nullptr;
    QLabel* m_folderLabel = nullptr;
    NavigatorFileList* m_fileList = nullptr;
    FileQueueTabs* m_tabs = nullptr;
    std::array<FileQueue*, 2> m_queues{};
    QStackedWidget* m_pages = nullptr;
    QWidget* m_playlistPage = nullptr;
    PreListenPlayer* m_preListen = nullptr;

    QString m_currentDir;
    NavigatorHistory m_history;
    QStringList m_driveRoots;
    bool m_restricted = false;
    int m_currentTab = kQueueTab1;
    bool m_unloaded = false;
    bool m_movingInHistory = false; // the next LoadDir is a history step, not a new visit
    bool m_listing = false;         // a folder is being listed (events are served meanwhile)
};

} // namespace klv::app

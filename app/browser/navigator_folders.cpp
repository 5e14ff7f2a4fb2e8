// The navigator's drives and folders: LoadDir, the history, the drive box and the restriction
// to NavDir.

#include "app/browser/navigator_drives.h"
#include "app/browser/navigator_file_list.h"
#include "app/browser/navigator_paths.h"
#include "app/browser/navigator_window.h"
#include "app/settings/feature_lock.h"
#include "app/shell/desk.h"
#include "app/shell/playable.h"
#include "app/shell/registry_text.h"
#include "app/shell/text_helpers.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>

namespace klv::app {

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kLastDir = "Last Dir";
// Pending events are served after this many entries, so a folder of thousands of files keeps
// the program (and the lines' displays) alive while it is read.
constexpr int kEntriesPerBreak = 50;

// The wait cursor and a disabled window for as long as the navigator is busy.
class BusyWindow {
public:
    explicit BusyWindow(QWidget& window) : m_window(window) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_window.setEnabled(false);
    }
    ~BusyWindow() {
        m_window.setEnabled(true);
        QGuiApplication::restoreOverrideCursor();
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    QWidget& m_window;
};

} // namespace

bool Navigator::restrictionInForce() const {
    const OptionsRecord& options = m_desk.state().options;
    return options.LockEnabled != 0 && options.LockNav != 0 && !featureLock().authenticated();
}

QString Navigator::navDir() const {
    const OptionsRecord& options = m_desk.state().options;
    const size_t length = qstrnlen(options.NavDir, sizeof options.NavDir);
    return heldFolder(QString::fromUtf8(options.NavDir, static_cast<qsizetype>(length)).trimmed());
}

QString Navigator::lastFolder() const {
    const QString stored = QString::fromStdString(getRegText(kSettings, kLastDir, ""));
    // A folder that has gone since the last run (an unplugged stick) opens the home folder.
    if (stored.isEmpty() || !QFileInfo(stored).isDir())
        return QDir::homePath();
    return stored;
}

void Navigator::readDrives() {
    if (!m_driveRoots.isEmpty())
        return;
    const QSignalBlocker quiet(m_driveBox);
    m_driveBox->clear();
    for (const DriveEntry& drive : readDriveTable()) {
        m_driveRoots.append(drive.root);
        m_driveBox->addItem(drive.caption);
    }
}

void Navigator::selectDriveOf(const QString& path) {
    const int drive = driveOfPath(m_driveRoots, path);
    if (drive != m_driveBox->currentIndex()) {
        const QSignalBlocker quiet(m_driveBox);
        m_driveBox->setCurrentIndex(drive);
    }
}

void Navigator::driveChosen(int index) {
    if (index < 0 || index >= m_driveRoots.size())
        return;
    loadDir(m_driveRoots.at(index));
    m_fileList->setFocus();
}

void Navigator::loadDir(const QString& dirName) {
    if (m_listing)
        return;
    BusyWindow busy(*this);
    QString request = heldFolder(dirName);
    const bool restrict = restrictionInForce();
    if (restrict)
        request = keepInside(request, navDir());
    if (request == m_currentDir) {
        m_movingInHistory = false;
        return;
    }
    if (!QFileInfo(request).isDir()) {
        // Nothing is lost: the list keeps the folder it shows, and the user hears why.
        const QString message = QStringLiteral("Can't open folder: ") + request;
        log("frmNavigator.LoadDir()", message);
        m_desk.routeMessage(message, 2, 0);
        m_movingInHistory = false;
        if (restrict && !isInsideFolder(m_currentDir, navDir())) {
            // A locked navigator whose NavDir is missing shows nothing rather than the folder
            // it was in before the lock.
            m_fileList->clear();
            m_folderLabel->clear();
            m_upButton->setEnabled(false);
            m_currentDir.clear();
        }
        return;
    }
    const QString child = childBeingLeft(m_currentDir, request);
    m_upButton->setEnabled(upAllowed(request, restrict, navDir()));
    m_currentDir = request;
    selectDriveOf(request);
    if (m_movingInHistory)
        m_movingInHistory = false;
    else
        m_history.append(request);
    m_fileList->hide();
    m_fileList->clear();
    m_folderLabel->setText(request);
    setRegText(kSettings, kLastDir, request.toStdString());
    listFolder(request, child);
}

void Navigator::listFolder(const QString& folder, const QString& childToSelect) {
    m_listing = true;
    QTreeWidgetItem* child = nullptr;
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot, QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    if (!dir.isReadable())
        log("frmNavigator.LoadDir()", QStringLiteral("Can't read folder: ") + folder);
    int done = 0;
    for (const QFileInfo& entry : entries) {
        const QString path = joinPath(folder, entry.fileName());
        if (entry.isDir()) {
            QTreeWidgetItem* item = m_fileList->addFolder(entry.fileName(), path);
            if (!childToSelect.isEmpty() && entry.fileName() == childToSelect)
                child = item;
        } else if (entry.isFile() && isPlayable(path)) {
            // Only regular files are asked: reading a named pipe or a device would block.
            m_fileList->addFile(entry.fileName(), path);
        }
        if (++done % kEntriesPerBreak == 0)
            QCoreApplication::processEvents();
    }
    m_fileList->show();
    QTreeWidgetItem* select = child != nullptr ? child : m_fileList->topLevelItem(0);
    if (select != nullptr) {
        m_fileList->setCurrentItem(select);
        m_fileList->scrollToItem(select);
    }
    m_listing = false;
}

void Navigator::goUp() {
    loadDir(folderOf(m_currentDir));
    m_fileList->setFocus();
}

void Navigator::historyStep(int direction) {
    const QString folder = m_history.step(direction);
    if (folder.isEmpty())
        return;
    m_movingInHistory = true;
    loadDir(folder);
    m_movingInHistory = false;
}

void Navigator::refresh() {
    readDrives();
    selectDriveOf(m_currentDir);
    const QString folder = m_currentDir;
    m_currentDir.clear(); // a reload of the same folder lists it afresh
    m_movingInHistory = true;
    loadDir(folder);
    m_movingInHistory = false;
    if (m_currentDir.isEmpty())
        m_currentDir = folder;
}

void Navigator::seeIfOK() {
    const bool restrict = restrictionInForce();
    m_restricted = restrict;
    if (restrict) {
        selectDriveOf(navDir());
        m_driveBox->setEnabled(false);
        if (m_currentDir.isEmpty())
            m_history.clear();
        else
            m_history.resetTo(m_currentDir);
    } else {
        m_driveBox->setEnabled(true);
    }
    if (!m_currentDir.isEmpty())
        loadDir(m_currentDir);
    // A reload of the folder already shown stops early; the up button must still follow.
    if (!m_currentDir.isEmpty())
        m_upButton->setEnabled(upAllowed(m_currentDir, restrict, navDir()));
}

} // namespace klv::app

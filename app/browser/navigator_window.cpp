#include "app/browser/navigator_window.h"

#include "app/browser/file_queue.h"
#include "app/browser/file_queue_tabs.h"
#include "app/browser/navigator_file_list.h"
#include "app/browser/navigator_lines.h"
#include "app/browser/navigator_page.h"
#include "app/browser/navigator_prelisten.h"
#include "app/shell/desk.h"
#include "app/shell/screen_units.h"
#include "klv3.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>

#include <exception>

namespace klv::app {

namespace {

constexpr int kTopRow = 24;    // drive box and up button
constexpr int kLabelRow = 20;  // folder label
constexpr int kBottomRow = 24; // pre-listen controls and the information panels
constexpr int kColumnInset = 28;

// Runs every step of opening and closing even when one fails; the failure goes to the log.
template <typename Step> void skipOnError(const char* procedure, Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        klvLogInfo((std::string(procedure) + " - " + error.what()).c_str());
    } catch (...) {
        klvLogInfo((std::string(procedure) + " - unknown error").c_str());
    }
}

QString trimmedOption(const char* field, size_t width) {
    const size_t length = qstrnlen(field, width);
    return QString::fromUtf8(field, static_cast<qsizetype>(length)).trimmed();
}

} // namespace

Navigator::Navigator(Desk& desk, QWidget* parent, NavigatorTimers timers)
    : QWidget(parent, Qt::Window), m_desk(desk) {
    setWindowTitle(QStringLiteral("KLV File Navigator"));
    setObjectName(QStringLiteral("frmNavigator"));
    m_preListen = new PreListenPlayer(desk.state(), timers.stop, this);
    m_tabs = new FileQueueTabs(timers.tabHover, this);
    buildWidgets();
    openWindow();
}

Navigator::~Navigator() {
    unload();
}

QString Navigator::selectedFile() const {
    return m_preListen->selectedFile();
}

void Navigator::buildWidgets() {
    m_driveBox = new QComboBox(this);
    m_driveBox->setObjectName(QStringLiteral("cmbDrive"));
    m_upButton = new QToolButton(this);
    m_upButton->setObjectName(QStringLiteral("cmdUp"));
    m_upButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    m_upButton->setToolTip(QStringLiteral("Up One Level"));
    m_folderLabel = new QLabel(this);
    m_folderLabel->setObjectName(QStringLiteral("lblFolder"));
    m_fileList = new NavigatorFileList(this);

    m_tabs->addTab(QString());
    m_tabs->addTab(QString());
    m_tabs->addTab(QStringLiteral("Playlist"));
    m_pages = new QStackedWidget(this);
    for (int index = 0; index < 2; ++index) {
        m_queues[static_cast<size_t>(index)] = new FileQueue(index, m_desk.state(), m_pages);
        m_pages->addWidget(m_queues[static_cast<size_t>(index)]);
    }
    m_playlistPage = makePlaylistPage(m_desk, m_pages);
    m_pages->addWidget(m_playlistPage);

    connect(m_driveBox, &QComboBox::activated, this, &Navigator::driveChosen);
    connect(m_upButton, &QToolButton::clicked, this, &Navigator::goUp);
    connect(m_fileList, &NavigatorFileList::entryClicked, this, &Navigator::fileClicked);
    connect(m_fileList, &NavigatorFileList::entryActivated, this, &Navigator::activateEntry);
    connect(m_fileList, &NavigatorFileList::upRequested, this, [this] {
        if (m_upButton->isEnabled())
            goUp();
    });
    connect(m_fileList, &NavigatorFileList::refreshRequested, this, &Navigator::refresh);
    connect(m_fileList, &NavigatorFileList::preListenToggled, m_preListen,
            &PreListenPlayer::toggle);
    connect(m_fileList, &NavigatorFileList::historyStep, this, &Navigator::historyStep);
    connect(m_fileList, &NavigatorFileList::menuRequested, this,
            [this](const QPoint& at) { showMenu(-1, at); });
    for (FileQueue* queue : m_queues) {
        connect(queue, &FileQueue::entrySelected, this, &Navigator::getInfo);
        connect(queue, &FileQueue::preListenToggled, m_preListen, &PreListenPlayer::toggle);
        connect(queue, &FileQueue::menuRequested, this,
                [this, queue](const QPoint& at) { showMenu(queue->queueIndex(), at); });
    }
    connectPlaylistPage(*m_playlistPage, *this);
    connect(m_tabs, &QTabBar::currentChanged, this, &Navigator::tabChosen);

    for (const QKeySequence& keys :
         {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)}) {
        auto* fullScreen = new QShortcut(keys, this);
        connect(fullScreen, &QShortcut::activated, this,
                [this] { m_desk.doFullScreen(!m_desk.fullScreen()); });
    }
    keepMinimumSize(*this, kNavigatorMinimumSize);
    resize(kNavigatorMinimumSize.width() * 2, kNavigatorMinimumSize.height() * 2);
}

void Navigator::openWindow() {
    const char* kLoad = "frmNavigator.Load()";
    skipOnError(kLoad, [&] {
        m_history.clear();
        m_preListen->tracker().setEnabled(false);
        m_desk.state().navigatorOpen = true;
    });
    skipOnError(kLoad, [&] { readDrives(); });
    QString lastDir;
    skipOnError(kLoad, [&] { lastDir = lastFolder(); });
    skipOnError(kLoad, [&] { selectDriveOf(lastDir); });
    skipOnError(kLoad, [&] {
        for (FileQueue* queue : m_queues)
            queue->load();
    });
    skipOnError(kLoad, [&] { updateNavigator(); });
    skipOnError(kLoad, [&] { selectTab(kQueueTab1); });
    skipOnError(kLoad, [&] { loadDir(lastDir); });
}

void Navigator::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    const char* kUnload = "frmNavigator.Unload()";
    skipOnError(kUnload, [&] { closePlaylistPage(*m_playlistPage); });
    skipOnError(kUnload, [&] { m_preListen->close(); });
    skipOnError(kUnload, [&] {
        for (FileQueue* queue : m_queues)
            queue->save();
    });
    m_desk.state().navigatorOpen = false;
}

void Navigator::closeEvent(QCloseEvent* event) {
    if (m_listing) {
        // The folder being listed serves events; it finishes first.
        event->ignore();
        return;
    }
    unload();
    event->accept();
    emit closed();
}

void Navigator::updateNavigator() {
    const OptionsRecord& options = m_desk.state().options;
    if (QWidget* main = m_desk.owner(); main != nullptr && main->isVisible()) {
        const QRect frame = main->frameGeometry();
        QScreen* screen = main->screen();
        const QRect monitor = screen != nullptr ? screen->geometry() : frame;
        const QRect work = screen != nullptr ? screen->availableGeometry() : frame;
        const bool full = m_desk.fullScreen();
        const int top = full ? monitor.top() + deskTopHeight(m_desk) + 4 : frame.bottom() + 1;
        const int bottom = full ? monitor.bottom() : work.bottom();
        const int height = std::max(bottom - top + 1, kNavigatorMinimumSize.height());
        // move() places the frame; resize() sizes the inside, so the border is taken off.
        const QSize border = frameGeometry().size() - size();
        move(frame.left(), top);
        resize(std::max(frame.width() - border.width(), kNavigatorMinimumSize.width()),
               std::max(height - border.height(), kNavigatorMinimumSize.height()));
    }
    m_tabs->setTabText(kQueueTab1, trimmedOption(options.QueueName1, sizeof options.QueueName1));
    m_tabs->setTabText(kQueueTab2, trimmedOption(options.QueueName2, sizeof options.QueueName2));
    seeIfOK();
}

void Navigator::selectTab(int tab) {
    if (m_tabs->currentIndex() != tab)
        m_tabs->setCurrentIndex(tab); // shows the page through tabChosen
    else
        tabChosen(tab);
}

void Navigator::tabChosen(int tab) {
    if (tab < 0)
        return;
    m_currentTab = tab;
    m_pages->setCurrentIndex(tab);
}

void Navigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutWidgets();
}

void Navigator::layoutWidgets() {
    const int w = width();
    const int statusTop = height() - kBottomRow;
    const int half = w / 2;
    const int listWidth = half - 2;

    m_driveBox->setGeometry(0, 0, listWidth - kTopRow - 2, kTopRow - 2);
    m_upButton->setGeometry(listWidth - kTopRow, 0, kTopRow, kTopRow - 2);
    m_folderLabel->setGeometry(0, kTopRow, listWidth, kLabelRow);
    const int fileTop = kTopRow + kLabelRow;
    m_fileList->setGeometry(0, fileTop, listWidth, std::max(statusTop - fileTop, 0));
    m_fileList->setColumnWidth(0, std::max(listWidth - kColumnInset, 0));

    const int tabHeight = m_tabs->sizeHint().height();
    m_tabs->setGeometry(half, 0, w - half, tabHeight);
    const int pagesTop = tabHeight + 2;
    const int pagesWidth = w - half - 4;
    m_pages->setGeometry(half + 2, pagesTop, pagesWidth, std::max(statusTop - 4 - pagesTop, 0));
    for (FileQueue* queue : m_queues)
        queue->setColumnWidth(0, std::max(pagesWidth - kColumnInset, 0));

    m_preListen->setGeometry(0, statusTop, w, kBottomRow);
}

void Navigator::fileClicked(const QString& path, bool isFolder) {
    if (isFolder)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    getInfo(path);
    setEnabled(true);
    QGuiApplication::restoreOverrideCursor();
}

void Navigator::getInfo(const QString& fName) {
    m_preListen->getInfo(fName);
}

void Navigator::activateEntry(const QString& path, bool isFolder) {
    if (path.isEmpty())
        return;
    if (isFolder)
        loadDir(path);
    else
        addToCurrentTab(path);
}

void Navigator::addToCurrentTab(const QString& path) {
    if (m_currentTab == kPlaylistTab)
        addToPlaylist(path);
    else
        m_queues[static_cast<size_t>(m_currentTab)]->addFile(path);
}

void Navigator::addToPlaylist(const QString& path) {
    addToPlaylistPage(*m_playlistPage, path);
}

void Navigator::openInLine(int number) {
    loadOnLine(m_desk, number, selectedFile());
}

void Navigator::fillOpenInLine(QMenu& submenu) {
    fillLineMenu(m_desk, submenu, [this](int number) { openInLine(number); });
}

std::unique_ptr<QMenu> Navigator::buildMenu(int source) {
    auto menu = std::make_unique<QMenu>(); // the caller owns it, also past the window
    fillOpenInLine(*menu->addMenu(QStringLiteral("Open in Line")));
    const bool fileList = source < 0;
    QAction* add = menu->addAction(m_currentTab == kPlaylistTab ? QStringLiteral("Add to Playlist")
                                                                : QStringLiteral("Add to Queue"));
    add->setVisible(fileList);
    add->setEnabled(fileList && !m_fileList->selectedPath().isEmpty() &&
                    !m_fileList->selectedIsFolder());
    connect(add, &QAction::triggered, this,
            [this] { addToCurrentTab(m_fileList->selectedPath()); });
    QAction* remove = menu->addAction(QStringLiteral("Remove File"));
    QAction* clear = menu->addAction(QStringLiteral("Clear Queue"));
    QAction* refreshItem = menu->addAction(QStringLiteral("Refresh"));
    if (fileList) {
        remove->setEnabled(false);
        clear->setEnabled(false);
        connect(refreshItem, &QAction::triggered, this, &Navigator::refresh);
    } else {
        FileQueue* queue = m_queues[static_cast<size_t>(source)];
        remove->setEnabled(queue->entryCount() > 0);
        refreshItem->setEnabled(false);
        connect(remove, &QAction::triggered, queue, &FileQueue::removeSelected);
        connect(clear, &QAction::triggered, queue, &FileQueue::clearQueue);
    }
    return menu;
}

void Navigator::showMenu(int source, const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = buildMenu(source);
    menu->exec(globalPos);
}

void Navigator::log(const char* procedure, const QString& what) const {
    klvLogInfo((QString::fromUtf8(procedure) + QStringLiteral(" - ") + what).toUtf8().constData());
}

} // namespace klv::app

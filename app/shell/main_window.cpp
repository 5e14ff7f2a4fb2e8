#include "app/shell/main_window.h"

#include "app/browser/navigator_window.h"
#include "app/settings/feature_lock.h"
#include "app/settings/options_dialog.h"
#include "app/settings/plugin_manager.h"
#include "app/settings/status_bar.h"
#include "app/shell/desk_audio_watchdog.h"
#include "app/shell/desk_parts.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/shutdown.h"
#include "app/shell/splash_window.h"
#include "app/shell/startup_plugins.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QScreen>

#include <cstring>

namespace klv::app {

MainWindow::MainWindow(ProgramState& state, QWidget* parent) : QMainWindow(parent), m_state(state) {
    setObjectName(QStringLiteral("frmMain"));
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("content"));
    m_content->setAutoFillBackground(true);
    setCentralWidget(m_content);
    m_status = new StatusBar(m_content);
    m_watchdog = new AudioWatchdog(m_state.options, {}, this);
    m_monitorRect = [this]() -> QRect {
        const QScreen* monitor = screen();
        return monitor ? monitor->geometry() : QRect();
    };
    layoutBottomRow(2 * kLineWidth + kBesideLines);
    registerWindow(this, [this](uint32_t msg, intptr_t wParam, intptr_t lParam) {
        return windowMessage(msg, wParam, lParam);
    });
    setMessageTarget(this);
    featureLock().setLockChanged([this] { lockChange(); });
    // The window sees the desk's keys before the control that has the focus.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    // The navigator saves its queues and reports itself closed through the desk as it goes, so
    // it goes while this window is still whole, not later among the child widgets.
    delete m_navigator.data();
    // The same for the lines, the master section and the crossfader: they reach the desk (the
    // crossfader's lines, the other lines' sides) while they go.
    for (LineControl* each : m_lines)
        delete widgetOf(each);
    m_lines.clear();
    delete widgetOf(m_master);
    m_master = nullptr;
    delete widgetOf(m_crossFader);
    m_crossFader = nullptr;
    qApp->removeEventFilter(this);
    featureLock().setLockChanged({});
    if (messageTarget() == this)
        setMessageTarget(nullptr);
    unregisterWindow(this);
}

platform::WindowHandle MainWindow::handle() const {
    return klv::app::windowHandle(this);
}

void MainWindow::setTimeRemain(int32_t mode) {
    m_timeRemain = mode;
    klvSetRemain(mode);
}

LineControl* MainWindow::line(int number) {
    return number >= 0 && number < lineCount() ? m_lines[static_cast<size_t>(number)] : nullptr;
}

SplashWindow& MainWindow::startupWindow() {
    if (!m_splash)
        m_splash = std::make_unique<SplashWindow>();
    return *m_splash;
}

void MainWindow::unloadStartupWindow() {
    m_splash.reset();
}

void MainWindow::clearXF(int32_t side) {
    for (LineControl* each : m_lines)
        clearLineXF(*each, side);
    if (m_crossFader)
        setCrossFaderLabel(*m_crossFader, side - 1, QString());
}

void MainWindow::swapXFader() {
    if (m_crossFader)
        swapCrossFaderSides(*this, *m_crossFader);
}

void MainWindow::changeFocus(int fromLine, int d) {
    QWidget* target = nullptr;
    if (fromLine < 0) {
        // From the master section: left goes to the last line, right to the first.
        target = widgetOf(line(d < 1 ? lineCount() - 1 : 0));
    } else {
        target = widgetOf(line(fromLine + d));
        if (!target)
            target = widgetOf(m_master);
    }
    if (target)
        target->setFocus(Qt::OtherFocusReason);
}

void MainWindow::lockChange() {
    if (m_master)
        updateMasterLockButton(*m_master);
    if (Navigator* open = navigator())
        open->seeIfOK();
    emit lockStateChanged(featureLock().locked());
}

Navigator* MainWindow::navigator() {
    return m_state.navigatorOpen ? m_navigator.data() : nullptr;
}

void MainWindow::openNavigator() {
    if (navigator())
        return;
    if (m_navigator)
        m_navigator->deleteLater(); // closed, not yet gone
    m_navigator = new Navigator(*this, this);
    // Closed by the user: it has saved itself; the window goes with the next event loop turn.
    connect(m_navigator, &Navigator::closed, m_navigator, &QObject::deleteLater);
    m_navigator->show();
}

void MainWindow::closeNavigator() {
    if (!m_navigator)
        return;
    m_navigator->unload();
    m_navigator->hide();
    m_navigator->deleteLater();
    m_navigator = nullptr;
}

void MainWindow::toggleNavigator() {
    if (navigator())
        closeNavigator();
    else
        openNavigator();
}

void MainWindow::showOptions() {
    showOptionsDialog(*this);
}

void MainWindow::showPluginManager() {
    PluginManager manager(*this, pluginList(), pluginFolder(), this);
    manager.exec();
}

void MainWindow::routeMessage(const QString& text, int32_t level, int32_t helpContext) {
    routeMessageTo(this, text, level, helpContext);
}

void MainWindow::showStatusMessage(const QString& text, int32_t level, int32_t helpContext) {
    m_status->showMessage(text, level, helpContext);
}

intptr_t MainWindow::windowMessage(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    (void)lParam;
    if (msg == KLV_MSG_USER_MESSAGE && wParam != 0) {
        // Copy first: the sender may reuse its record as soon as this returns, and the text is
        // bounded by its field even without a terminating zero.
        std::memcpy(&m_engineMessage, reinterpret_cast<const void*>(wParam),
                    sizeof(m_engineMessage));
        const size_t length = strnlen(m_engineMessage.text, sizeof(m_engineMessage.text));
        routeMessage(QString::fromUtf8(m_engineMessage.text, static_cast<qsizetype>(length)),
                     m_engineMessage.level, m_engineMessage.helpContext);
    }
    return 0;
}

void MainWindow::closeWithoutQuestion() {
    m_askBeforeClosing = false;
    if (!m_closing) {
        close();
        return;
    }
    // The system wants the program to end while the user is still asked whether to: the
    // question is withdrawn (answered No) and the shut-down runs after it without one.
    m_terminationPending = true;
    if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        question->reject();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_shutDown) {
        event->accept();
        return;
    }
    // The shut-down lets events run (its status texts); a second request arriving meanwhile,
    // say a repeated Ctrl+C, must not start another one inside it.
    if (m_closing) {
        event->ignore();
        return;
    }
    m_closing = true;
    bool closed = Shutdown(*this).run();
    if (!closed && m_terminationPending) {
        m_askBeforeClosing = false;
        closed = Shutdown(*this).run();
    }
    m_terminationPending = false;
    m_closing = false;
    m_askBeforeClosing = true;
    if (!closed) {
        event->ignore();
        return;
    }
    m_shutDown = true;
    event->accept();
    emit shutDownFinished();
}

} // namespace klv::app

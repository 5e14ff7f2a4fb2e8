#include "app/shell/main_window.h"

#include "app/settings/feature_lock.h"
#include "app/settings/status_bar.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/shutdown.h"
#include "app/shell/splash_window.h"

#include <QCloseEvent>

#include <algorithm>
#include <cstring>

namespace klv::app {

namespace {

// Lines are 90 x 348 pixels; master section and margins take 188 beside them. The crossfader
// (260 x 30) sits below the lines, the status bar to its right.
constexpr int kLineWidth = 90;
constexpr int kLineHeight = 348;
constexpr int kBesideLines = 188;
constexpr int kCrossfaderWidth = 260;
constexpr int kCrossfaderHeight = 30;
constexpr int kContentHeight = kLineHeight + kCrossfaderHeight;

QColor fromColorRef(int32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

} // namespace

MainWindow::MainWindow(ProgramState& state, QWidget* parent) : QMainWindow(parent), m_state(state) {
    setObjectName(QStringLiteral("frmMain"));
    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("content"));
    content->setAutoFillBackground(true);
    setCentralWidget(content);
    m_status = new StatusBar(content);
    layoutStatusBar(2 * kLineWidth + kBesideLines);
    registerWindow(this, [this](uint32_t msg, intptr_t wParam, intptr_t lParam) {
        return windowMessage(msg, wParam, lParam);
    });
    setMessageTarget(this);
    featureLock().setLockChanged([this] { lockChange(); });
}

MainWindow::~MainWindow() {
    featureLock().setLockChanged({});
    if (messageTarget() == this)
        setMessageTarget(nullptr);
    unregisterWindow(this);
}

platform::WindowHandle MainWindow::handle() const {
    return klv::app::windowHandle(this);
}

SplashWindow& MainWindow::startupWindow() {
    if (!m_splash)
        m_splash = std::make_unique<SplashWindow>();
    return *m_splash;
}

void MainWindow::unloadStartupWindow() {
    m_splash.reset();
}

void MainWindow::applyOptions() {
    const OptionsRecord& options = m_state.options;
    QWidget* content = centralWidget();
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, fromColorRef(options.BackColor));
    content->setPalette(palette);
    // The status bar sits on the window's background like the rest of the desk.
    m_status->applyColors(options.TextColor, options.BackColor);
    const int lines = options.NumLines > 0 ? options.NumLines : 2;
    const int innerWidth = lines * kLineWidth + kBesideLines;
    content->setMinimumSize(innerWidth, kContentHeight);
    layoutStatusBar(innerWidth);
    resize(sizeHint());
}

void MainWindow::layoutStatusBar(int innerWidth) {
    const int crossfaderLeft = (innerWidth - kCrossfaderWidth) / 2;
    const int width = std::max(0, innerWidth - crossfaderLeft - kCrossfaderWidth - 4);
    const int top = kLineHeight + 2;
    m_status->setGeometry(innerWidth - width, top, width, kContentHeight - top);
}

void MainWindow::lockChange() {
    emit lockStateChanged(featureLock().locked());
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
    Shutdown shutdown(*this);
    const bool closed = shutdown.run();
    m_closing = false;
    if (!closed) {
        event->ignore();
        return;
    }
    m_shutDown = true;
    event->accept();
    emit shutDownFinished();
}

} // namespace klv::app

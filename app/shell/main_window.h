#pragma once
// frmMain: the main window. It owns the run of the program: start-up runs before it is shown,
// and asking it to close, whatever the reason, runs the shut-down. It holds the lines side by
// side, the master section to their right, the crossfader below them and the status bar beside
// the crossfader, and it is the desk the controls talk to.

#include "app/shell/desk.h"
#include "app/shell/message_route.h"
#include "app/shell/program_state.h"
#include "platform/ui/window_system.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;

namespace klv::app {

class AudioWatchdog;
class SplashWindow;
class StatusBar;

class MainWindow : public QMainWindow, public MessageTarget, public Desk {
    Q_OBJECT
public:
    // Lines are 90 x 348 pixels; the master section (180 wide) and margins take 188 beside
    // them. The crossfader (260 x 30) sits below the lines, the status bar to its right.
    static constexpr int kLineWidth = 90;
    static constexpr int kLineHeight = 348;
    static constexpr int kMasterWidth = 180;
    static constexpr int kBesideLines = 188;
    static constexpr int kCrossFaderWidth = 260;
    static constexpr int kCrossFaderHeight = 30;

    explicit MainWindow(ProgramState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() override { return m_state; }
    QWidget* owner() override { return this; }
    platform::WindowHandle handle() const;

    // Time display mode handed to the engine; kept as "Remain Time" between runs.
    int32_t timeRemain() const override { return m_timeRemain; }
    void setTimeRemain(int32_t mode) override;

    int lineCount() const override { return static_cast<int>(m_lines.size()); }
    LineControl* line(int number) override;
    MasterSection* master() override { return m_master; }
    CrossFader* crossFader() override { return m_crossFader; }
    // The navigator while it is open.
    Navigator* navigator() override;
    // Shows the navigator window (owned by this window) unless it is open; closes it, saving its
    // state, when it is.
    void openNavigator();
    void closeNavigator();

    // At start-up: the first line and the master section get their Init, then Update builds
    // the other lines.
    void buildDesk(int32_t noLoad);
    // At shut-down: CleanUp of every line in index order, then of the master section.
    void cleanUpDesk();

    // Update(NoLoad).
    void updateDesk(int32_t noLoad) override;
    void clearXF(int32_t side) override;
    void swapXFader() override;
    void changeFocus(int fromLine, int d) override;

    // Full-screen mode: on the whole monitor, no caption bar; the desk is centred.
    bool fullScreen() const override { return m_full; }
    void doFullScreen(bool on) override;
    // Where full-screen mode puts the window; the monitor nearest to it unless replaced.
    void setMonitorRect(std::function<QRect()> monitorRect);
    // The x where the first line starts: centred in full-screen mode, else 0.
    int deskLeft() const;

    // frmStartup, loaded on first use and again after it was unloaded.
    SplashWindow& startupWindow();
    void unloadStartupWindow();
    bool startupWindowLoaded() const { return m_splash != nullptr; }

    // Background colour and size from the options: Update without creating lines.
    void applyOptions();
    // Puts the crossfader and the status bar below the lines, for a client area innerWidth
    // pixels wide.
    void layoutBottomRow(int innerWidth);

    // ctlStatus.
    StatusBar& status() { return *m_status; }
    // tmrCheckAudio.
    AudioWatchdog& audioWatchdog() { return *m_watchdog; }

    // LockChange: the program became open or locked (feature locking). The lock button's
    // pictures and the navigator's restriction follow lockStateChanged.
    void lockChange() override;

    void toggleNavigator() override;
    void showOptions() override;
    void showPluginManager() override;

    // A message for the user: up to StatusLevel in the status bar, above it a box.
    void routeMessage(const QString& text, int32_t level, int32_t helpContext) override;

    // Where messages go while this window exists.
    int32_t statusLevel() const override { return m_state.options.StatusLevel; }
    platform::WindowHandle messageOwner() const override { return handle(); }
    void showStatusMessage(const QString& text, int32_t level, int32_t helpContext) override;

    // Closes without the "Confirm Exit" question (a termination request from the system).
    void closeWithoutQuestion();
    bool askBeforeClosing() const { return m_askBeforeClosing; }

signals:
    // The shut-down sequence has run; the program may end.
    void shutDownFinished();
    // After every LockChange: locked is true while feature locking holds the program.
    void lockStateChanged(bool locked);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    intptr_t windowMessage(uint32_t msg, intptr_t wParam, intptr_t lParam);
    bool handleDeskKey(const QKeyEvent& key);
    void addLine(int32_t noLoad);
    void removeLastLine();
    void layoutDesk();
    void logUpdateError(const char* what);

    ProgramState& m_state;
    int32_t m_timeRemain = 1;
    bool m_full = false;
    bool m_closing = false;
    bool m_shutDown = false;
    bool m_askBeforeClosing = true;
    bool m_terminationPending = false;
    std::unique_ptr<SplashWindow> m_splash;
    QWidget* m_content;
    StatusBar* m_status;
    std::vector<LineControl*> m_lines;
    MasterSection* m_master = nullptr;
    CrossFader* m_crossFader = nullptr;
    AudioWatchdog* m_watchdog;
    QPointer<Navigator> m_navigator;
    std::function<QRect()> m_monitorRect;
    QRect m_normalGeometry;
    // The engine's last message record, copied while its sender waits.
    UserMessage m_engineMessage{};
};

} // namespace klv::app

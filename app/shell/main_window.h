#pragma once
// frmMain: the main window. It owns the run of the program: start-up runs before it is shown,
// and asking it to close, whatever the reason, runs the shut-down.

#include "app/shell/desk.h"
#include "app/shell/message_route.h"
#include "app/shell/program_state.h"
#include "platform/window_system.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>

namespace klv::app {

class SplashWindow;
class StatusBar;

class MainWindow : public QMainWindow, public MessageTarget, public Desk {
    Q_OBJECT
public:
    explicit MainWindow(ProgramState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() override { return m_state; }
    QWidget* owner() override { return this; }
    platform::WindowHandle handle() const;

    // Time display mode handed to the engine; kept as "Remain Time" between runs.
    int32_t timeRemain() const override { return m_timeRemain; }
    void setTimeRemain(int32_t mode) override { m_timeRemain = mode; }

    // The desk's parts; the lines, master section, crossfader and navigator are not built yet.
    int lineCount() const override { return 0; }
    LineControl* line(int) override { return nullptr; }
    MasterSection* master() override { return nullptr; }
    CrossFader* crossFader() override { return nullptr; }
    Navigator* navigator() override { return nullptr; }
    void updateDesk(int32_t) override { applyOptions(); }
    void clearXF(int32_t) override {}
    void swapXFader() override {}
    void changeFocus(int, int) override {}
    bool fullScreen() const override { return false; }
    void doFullScreen(bool) override {}
    void toggleNavigator() override {}
    void showOptions() override {}
    void showPluginManager() override {}

    // frmStartup, loaded on first use and again after it was unloaded.
    SplashWindow& startupWindow();
    void unloadStartupWindow();
    bool startupWindowLoaded() const { return m_splash != nullptr; }

    // Background colour and size from the options.
    void applyOptions();
    // Puts the status bar beside the crossfader, for a client area innerWidth pixels wide.
    void layoutStatusBar(int innerWidth);

    // ctlStatus.
    StatusBar& status() { return *m_status; }

    // LockChange: the program became open or locked (feature locking). The lock button's
    // pictures and the navigator's restriction follow lockStateChanged.
    void lockChange() override;

    // A message for the user: up to StatusLevel in the status bar, above it a box.
    void routeMessage(const QString& text, int32_t level, int32_t helpContext) override;

    // Where messages go while this window exists.
    int32_t statusLevel() const override { return m_state.options.StatusLevel; }
    platform::WindowHandle messageOwner() const override { return handle(); }
    void showStatusMessage(const QString& text, int32_t level, int32_t helpContext) override;

signals:
    // The shut-down sequence has run; the program may end.
    void shutDownFinished();
    // After every LockChange: locked is true while feature locking holds the program.
    void lockStateChanged(bool locked);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    intptr_t windowMessage(uint32_t msg, intptr_t wParam, intptr_t lParam);

    ProgramState& m_state;
    int32_t m_timeRemain = 1;
    bool m_closing = false;
    bool m_shutDown = false;
    std::unique_ptr<SplashWindow> m_splash;
    StatusBar* m_status;
    // The engine's last message record, copied while its sender waits.
    UserMessage m_engineMessage{};
};

} // namespace klv::app

#pragma once
// frmMain: the main window. It owns the run of the program: start-up runs before it is shown,
// and asking it to close, whatever the reason, runs the shut-down.

#include "app/shell/program_state.h"
#include "platform/window_system.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>

namespace klv::app {

class SplashWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(ProgramState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() { return m_state; }
    platform::WindowHandle handle() const;

    // Time display mode handed to the engine; kept as "Remain Time" between runs.
    int32_t timeRemain() const { return m_timeRemain; }
    void setTimeRemain(int32_t mode) { m_timeRemain = mode; }

    // frmStartup, loaded on first use and again after it was unloaded.
    SplashWindow& startupWindow();
    void unloadStartupWindow();
    bool startupWindowLoaded() const { return m_splash != nullptr; }

    // Background colour and size from the options.
    void applyOptions();

    // A message for the user: up to StatusLevel in the status bar, above it a box.
    void routeMessage(const QString& text, int32_t level, int32_t helpContext);

signals:
    // The shut-down sequence has run; the program may end.
    void shutDownFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    intptr_t windowMessage(uint32_t msg, intptr_t wParam, intptr_t lParam);

    ProgramState& m_state;
    int32_t m_timeRemain = 1;
    bool m_closing = false;
    bool m_shutDown = false;
    std::unique_ptr<SplashWindow> m_splash;
    // The engine's last message record, copied while its sender waits.
    UserMessage m_engineMessage{};
};

} // namespace klv::app

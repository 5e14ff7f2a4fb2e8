#include "app/shell/shutdown.h"

#include "app/shell/desk_audio_watchdog.h"
#include "app/shell/main_window.h"
#include "app/shell/registry_text.h"
#include "app/shell/splash_window.h"
#include "klv3.h"
#include "platform/ui/window_system.h"

#include <QApplication>
#include <QCoreApplication>

#include <exception>
#include <string>

namespace klv::app {

namespace {

constexpr const char* kSettings = "Settings";

// A failing step is logged and skipped and the sequence goes on: the user asked to leave.
template <class Step> void logOnError(Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        klvLogInfo((std::string("frmMain.Unload() - ") + error.what()).c_str());
    } catch (...) {
        klvLogInfo("frmMain.Unload() - unknown error");
    }
}

} // namespace

Shutdown::Shutdown(MainWindow& main) : m_main(main) {}

bool Shutdown::run() {
    logOnError([&] { setBusyPointer(); });
    bool confirmed = true;
    logOnError([&] { confirmed = confirmExit(); });
    if (!confirmed) {
        QApplication::restoreOverrideCursor();
        return false;
    }
    logOnError([&] { hideMainWindow(); });
    logOnError([&] { saveRemainTime(); });
    logOnError([&] { saveNavigator(); });
    // The program keeps no files of its own open between events, and Qt hands the window's
    // messages back by itself: nothing to close or restore here.
    logOnError([&] { stopAudio(); });
    logOnError([&] { cleanUpControls(); });
    logOnError([&] { finish(); });
    return true;
}

void Shutdown::setBusyPointer() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

bool Shutdown::confirmExit() {
    if (!m_main.askBeforeClosing())
        return true;
    const int32_t mode = m_main.state().options.ConfirmExit;
    const bool ask = mode == 0 || (mode == 1 && klvCheckPlaying() > 0);
    if (!ask)
        return true;
    // The question is the user's to answer, not the busy pointer's.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = platform::windowSystem().messageBox(
        m_main.handle(), "Are you sure you want to exit now?", "Confirm Exit",
        platform::kMbYesNo | platform::kMbIconQuestion);
    QApplication::restoreOverrideCursor();
    return answer == platform::kIdYes;
}

void Shutdown::hideMainWindow() {
    // Nothing may restart the output from here on: the watchdog would bring it back after
    // klvKillAudio.
    m_main.audioWatchdog().stop();
    m_main.hide();
    m_main.startupWindow().showText(QStringLiteral("Saving Settings"));
    QCoreApplication::processEvents();
}

void Shutdown::saveRemainTime() {
    setRegText(kSettings, "Remain Time", std::to_string(m_main.timeRemain()));
}

void Shutdown::saveNavigator() {
    const bool open = m_main.state().navigatorOpen;
    if (open) {
        // The navigator saves its own state when it is unloaded.
        m_main.closeNavigator();
        QCoreApplication::processEvents();
    }
    setRegText(kSettings, "Navigator", open ? "1" : "0");
}

void Shutdown::stopAudio() {
    m_main.startupWindow().showText(QStringLiteral("Unloading Plugins"));
    QCoreApplication::processEvents();
    klvKillAudio();
    QCoreApplication::processEvents();
    klvUnloadAllPlugins();
}

void Shutdown::cleanUpControls() {
    m_main.startupWindow().showText(QStringLiteral("Cleaning Up"));
    QCoreApplication::processEvents();
    m_main.cleanUpDesk();
}

void Shutdown::finish() {
    setRegText(kSettings, "Running", "0");
    QCoreApplication::processEvents();
    m_main.unloadStartupWindow();
    QApplication::restoreOverrideCursor();
}

} // namespace klv::app

#include "app/shell/shutdown.h"

#include "app/shell/main_window.h"
#include "app/shell/registry_text.h"
#include "app/shell/splash_window.h"

#include <QApplication>
#include <QCoreApplication>

#include <string>

namespace klv::app {

namespace {

constexpr const char* kSettings = "Settings";

// A failing step is skipped and the sequence goes on: the user asked to leave.
template <class Step> void skipOnError(Step&& step) {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

Shutdown::Shutdown(MainWindow& main) : m_main(main) {}

bool Shutdown::run() {
    skipOnError([&] { setBusyPointer(); });
    bool confirmed = true;
    skipOnError([&] { confirmed = confirmExit(); });
    if (!confirmed) {
        QApplication::restoreOverrideCursor();
        return false;
    }
    skipOnError([&] { hideMainWindow(); });
    skipOnError([&] { saveRemainTime(); });
    skipOnError([&] { saveNavigator(); });
    // 6 and 7: the window hook and the program's own open files come with their parts.
    // 8: "Unloading Plugins", then klvKillAudio and klvUnloadAllPlugins, with audio output.
    // 9: "Cleaning Up", then CleanUp of every line and of the master section.
    skipOnError([&] { finish(); });
    return true;
}

void Shutdown::setBusyPointer() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

bool Shutdown::confirmExit() {
    // The "Confirm Exit" question needs klvCheckPlaying (ConfirmExit 1 asks only while a line
    // plays); it comes with the lines. Until then nothing can be playing.
    return true;
}

void Shutdown::hideMainWindow() {
    m_main.hide();
    m_main.startupWindow().showText(QStringLiteral("Saving Settings"));
    QCoreApplication::processEvents();
}

void Shutdown::saveRemainTime() {
    setRegText(kSettings, "Remain Time", std::to_string(m_main.timeRemain()));
}

void Shutdown::saveNavigator() {
    // The navigator saves its own state when it is unloaded here.
    setRegText(kSettings, "Navigator", m_main.state().navigatorOpen ? "1" : "0");
}

void Shutdown::finish() {
    setRegText(kSettings, "Running", "0");
    QCoreApplication::processEvents();
    m_main.unloadStartupWindow();
    QApplication::restoreOverrideCursor();
}

} // namespace klv::app

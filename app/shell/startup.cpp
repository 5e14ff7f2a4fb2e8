#include "app/shell/startup.h"

#include "app/settings/crash_dialog.h"
#include "app/shell/default_options.h"
#include "app/shell/help_about.h"
#include "app/shell/main_window.h"
#include "app/shell/registry_text.h"
#include "app/shell/splash_window.h"
#include "klv3.h"
#include "platform/wave_out.h"
#include "platform/window_system.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace klv::app {

namespace {

constexpr const char* kSettings = "Settings";

constexpr const char* kVersionText = "KLV3 Critical DLL Error\n\n"
                                     "KLV3.DLL is missing, corrupted, or is the wrong version, "
                                     "or one of its required support DLL's could not be loaded.\n\n"
                                     "Please re-run KLV3's Setup Utility, or contact "
                                     "support for assistance.";

constexpr const char* kSoundCardText = "KLV3 Requires a Sound Card to function.\n"
                                       "Windows reports that no audio devices are present. "
                                       "Please install a supported Sound Card and try again.";

// A step that fails is skipped and start-up goes on; only the checks end the program.
template <class Step> void skipOnError(Step&& step) {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

StartupProviders StartupProviders::system() {
    return StartupProviders{
        [] { return klvGetDLLVersion(); },
        [] { return platform::waveOutGetNumDevs(); },
        []() -> int32_t {
            const QScreen* screen = QGuiApplication::primaryScreen();
            return screen ? screen->geometry().width() : 0;
        },
        [](ProgramState& state) {
            CrashDialog dialog(state);
            dialog.exec();
        },
    };
}

Startup::Startup(MainWindow& main, StartupProviders providers)
    : m_main(main), m_providers(std::move(providers)) {}

Startup::Outcome Startup::run() {
    skipOnError([&] { clearNavigatorFlag(); });
    if (!claimSingleInstance())
        return Outcome::AlreadyRunning;
    if (!checkEngineVersion())
        return Outcome::Ended;
    skipOnError([&] { setCaption(); });
    if (!checkSoundCard())
        return Outcome::Ended;
    skipOnError([&] { showLoadingOptions(); });
    skipOnError([&] { loadRemainTime(); });
    skipOnError([&] { loadOptions(); });
    // 9: the genre name table, with the tag editor.
    skipOnError([&] { fitOutputDevices(); });
    skipOnError([&] { setStatusLevel(); });
    skipOnError([&] { checkForCrash(); });
    skipOnError([&] { fitNumLinesToScreen(); });
    // 14: no window hook: Qt hands wheel turns and double-clicks to the knobs (KnobInput),
    // and the engine's messages reach the main window's registered handler.
    // 15, 16: "Loading Plugins", the stored plug-in list and LoadPlugins.
    // 17: "Loading Mixer Components": line and master section Init, then Update.
    skipOnError([&] { m_main.applyOptions(); });
    // 18: "Initializing Audio" and klvStartAudio, with audio output.
    skipOnError([&] { showMainWindow(); });
    // 20: the navigator when it was open.
    skipOnError([&] { showFirstRunHelp(); });
    // 22: tmrCheckAudio. 23: "/f" full screen. 24: klvStartVU. 25: intro.mp3 on a first run.
    return Outcome::Running;
}

void Startup::clearNavigatorFlag() {
    m_main.state().navigatorOpen = false;
}

bool Startup::claimSingleInstance() {
    return m_instance.acquire();
}

bool Startup::checkEngineVersion() {
    if (m_providers.engineVersion() == KLV_DLL_VERSION)
        return true;
    platform::windowSystem().messageBox(0, kVersionText, "KLV3 Critical Error",
                                        platform::kMbOk | platform::kMbIconStop);
    return false;
}

void Startup::setCaption() {
    m_main.setWindowTitle(QStringLiteral("Kelvara"));
}

bool Startup::checkSoundCard() {
    if (m_providers.deviceCount() != 0)
        return true;
    platform::windowSystem().messageBox(0, kSoundCardText, "KLV Initialisation Error",
                                        platform::kMbOk | platform::kMbIconExclamation);
    return false;
}

void Startup::showLoadingOptions() {
    m_main.startupWindow().showText(QStringLiteral("Loading Options"));
}

void Startup::loadRemainTime() {
    m_main.setTimeRemain(numericValue(getRegText(kSettings, "Remain Time", "1")));
    // klvSetRemain(TimeRemain) goes here, with the line time displays.
}

void Startup::loadOptions() {
    OptionsRecord& options = m_main.state().options;
    if (klvLoadOptions(&options, m_main.handle()) == 0)
        return;
    assignDefaultOptions(options);
    klvSaveOptions(&options);
    m_firstRun = true;
}

void Startup::fitOutputDevices() {
    // With one device the pre-listen output has nowhere else to go.
    if (m_providers.deviceCount() != 1)
        return;
    OptionsRecord& options = m_main.state().options;
    options.UseSecondary = 0;
    options.PrimaryDevice = 0;
}

void Startup::setStatusLevel() {
    m_main.state().options.StatusLevel = 2;
}

void Startup::checkForCrash() {
    // "1" is left behind by a run that ended without its shut-down.
    if (getRegText(kSettings, "Running", "0") == "1" && m_providers.crashProtection)
        m_providers.crashProtection(m_main.state());
    setRegText(kSettings, "Running", "1");
}

void Startup::fitNumLinesToScreen() {
    OptionsRecord& options = m_main.state().options;
    options.NumLines = clampNumLines(options.NumLines, maxLinesForWidth(m_providers.screenWidth()));
    klvSaveOptions(&options);
}

void Startup::showMainWindow() {
    m_main.unloadStartupWindow();
    QCoreApplication::processEvents();
    m_main.show();
    QCoreApplication::processEvents();
}

void Startup::showFirstRunHelp() {
    QCoreApplication::processEvents();
    if (m_firstRun)
        showHelpTopic(m_main.handle(), kTopicGettingStarted);
    QCoreApplication::processEvents();
}

} // namespace klv::app

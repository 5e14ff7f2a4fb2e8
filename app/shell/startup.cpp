#include "app/shell/startup.h"

#include "app/settings/crash_dialog.h"
#include "app/shell/default_options.h"
#include "app/shell/desk_audio_watchdog.h"
#include "app/shell/desk_parts.h"
#include "app/shell/help_about.h"
#include "app/shell/main_window.h"
#include "app/shell/registry_text.h"
#include "app/shell/splash_window.h"
#include "app/shell/startup_plugins.h"
#include "klv3.h"
#include "platform/audio/wave_out.h"
#include "platform/store/home.h"
#include "platform/ui/window_system.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

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
        [] { return klv::app::pluginFolder(); },
        [] { return QCoreApplication::arguments().mid(1); },
        [] { return platform::programDir() / "intro.mp3"; },
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
    // The genre names come with the tag editor, which has them built in.
    skipOnError([&] { fitOutputDevices(); });
    skipOnError([&] { setStatusLevel(); });
    skipOnError([&] { checkForCrash(); });
    skipOnError([&] { fitNumLinesToScreen(); });
    // No window hook: Qt hands wheel turns and double-clicks to the knobs (KnobInput), and the
    // engine's messages reach the main window's registered handler.
    skipOnError([&] { readPluginList(); });
    skipOnError([&] { validatePlugins(); });
    skipOnError([&] { buildMixer(); });
    skipOnError([&] { startAudio(); });
    skipOnError([&] { showMainWindow(); });
    skipOnError([&] { reopenNavigator(); });
    skipOnError([&] { showFirstRunHelp(); });
    skipOnError([&] { enableMainWindow(); });
    skipOnError([&] { applyCommandLine(); });
    skipOnError([&] { startMeters(); });
    skipOnError([&] { playIntro(); });
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
    // Handed to the engine as well (klvSetRemain), for the line time displays.
    m_main.setTimeRemain(numericValue(getRegText(kSettings, "Remain Time", "1")));
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

void Startup::readPluginList() {
    m_main.startupWindow().showText(QStringLiteral("Loading Plugins"));
    readStoredPlugins(pluginList(), m_main.state().noPlugins);
}

void Startup::validatePlugins() {
    loadPlugins(pluginList(),
                m_providers.pluginFolder ? m_providers.pluginFolder() : klv::app::pluginFolder());
}

void Startup::buildMixer() {
    m_main.startupWindow().showText(QStringLiteral("Loading Mixer Components"));
    m_main.buildDesk(m_main.state().noOpen ? 1 : 0);
}

void Startup::startAudio() {
    m_main.startupWindow().showText(QStringLiteral("Initializing Audio"));
    QCoreApplication::processEvents();
    klvStartAudio();
    QCoreApplication::processEvents();
    m_main.unloadStartupWindow();
    QCoreApplication::processEvents();
}

void Startup::showMainWindow() {
    m_main.unloadStartupWindow();
    m_main.show();
    // Usable only once start-up has finished with it.
    m_main.setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
}

void Startup::enableMainWindow() {
    m_main.setEnabled(true);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    m_main.audioWatchdog().start();
}

bool Startup::wantsFullScreen(const QStringList& arguments) {
    // A whole argument, not a part of one: on this system every path holds slashes.
    for (const QString& argument : arguments) {
        if (argument.compare(QStringLiteral("/f"), Qt::CaseInsensitive) == 0 ||
            argument == QStringLiteral("--full-screen"))
            return true;
    }
    return false;
}

void Startup::applyCommandLine() {
    if (m_providers.arguments && wantsFullScreen(m_providers.arguments()))
        m_main.doFullScreen(true);
}

void Startup::startMeters() {
    if (MasterSection* master = m_main.master())
        startMasterVU(*master);
}

void Startup::playIntro() {
    if (!m_firstRun || !m_providers.introFile)
        return;
    LineControl* first = m_main.line(0);
    if (!first)
        return;
    const std::filesystem::path intro = m_providers.introFile();
    openLineFile(*first, QString::fromStdString(intro.string()));
    // tmrIntro: the window is usable before the intro starts; a line closed meanwhile (the
    // program is shutting down) is not started.
    QPointer<QWidget> lineWidget = widgetOf(first);
    MainWindow* main = &m_main;
    QTimer::singleShot(kIntroDelayMs, &m_main, [main, lineWidget] {
        if (lineWidget && main->lineCount() > 0 && main->isVisible())
            triggerLine(*main->line(0));
    });
}

void Startup::reopenNavigator() {
    if (getRegText(kSettings, "Navigator", "1") != "1")
        return;
    QCoreApplication::processEvents();
    m_main.openNavigator();
}

void Startup::showFirstRunHelp() {
    QCoreApplication::processEvents();
    if (m_firstRun)
        showHelpTopic(m_main.handle(), kTopicGettingStarted);
    QCoreApplication::processEvents();
}

} // namespace klv::app

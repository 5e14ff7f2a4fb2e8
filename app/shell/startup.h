#pragma once
// The start-up sequence that runs before the main window is shown. One method per step, in the
// order run() calls them.

#include "platform/system/instance_lock.h"

#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <functional>

namespace klv::app {

class MainWindow;
struct ProgramState;

// What start-up asks of the world outside the program. Tests replace single answers.
struct StartupProviders {
    std::function<int32_t()> engineVersion; // klvGetDLLVersion
    std::function<uint32_t()> deviceCount;  // waveOutGetNumDevs
    std::function<int32_t()> screenWidth;   // primary screen in pixels, 0 when unknown
    // Offers crash protection (frmCrash, modal); it sets the no-open and no-plugins flags.
    std::function<void(ProgramState&)> crashProtection;
    std::function<std::filesystem::path()> pluginFolder; // "Plugins" in the program folder
    std::function<QStringList()> arguments;              // the command line after the program
    std::function<std::filesystem::path()> introFile;    // played on a first start

    static StartupProviders system();
};

class Startup {
public:
    enum class Outcome {
        Running,        // the main window is up
        AlreadyRunning, // another instance owns this home: ended silently
        Ended,          // ended after telling the user why
    };

    explicit Startup(MainWindow& main, StartupProviders providers = StartupProviders::system());

    Outcome run();

    // True when no stored options could be loaded in this start.
    bool firstRun() const { return m_firstRun; }

    void clearNavigatorFlag();
    bool claimSingleInstance();
    bool checkEngineVersion();
    void setCaption();
    bool checkSoundCard();
    void showLoadingOptions();
    void loadRemainTime();
    void loadOptions();
    void fitOutputDevices();
    void setStatusLevel();
    void checkForCrash();
    void fitNumLinesToScreen();
    void readPluginList();
    void validatePlugins();
    void buildMixer();
    void startAudio();
    void showMainWindow();
    void reopenNavigator();
    void showFirstRunHelp();
    void enableMainWindow();
    void applyCommandLine();
    void startMeters();
    void playIntro();

    // True for a command line that asks for full-screen mode ("/f").
    static bool wantsFullScreen(const QStringList& arguments);

    // tmrIntro: how long after the window becomes usable the intro starts.
    static constexpr int kIntroDelayMs = 400;

private:
    MainWindow& m_main;
    StartupProviders m_providers;
    platform::InstanceLock m_instance;
    bool m_firstRun = false;
};

} // namespace klv::app

#include "app/shell/startup.h"

#include "app/settings/crash_dialog.h"
#include "app/shell/default_options.h"
#include "app/shell/main_window.h"
#include "app/shell/registry_text.h"
#include "app/shell/splash_window.h"
#include "tests/app/support/app_test_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>

namespace klv::app {
namespace {

using platform::kMbIconExclamation;
using platform::kMbIconStop;
using platform::kMbOk;

const char* const kVersionText =
    "KLV3 Critical DLL Error\n\nKLV3.DLL is missing, corrupted, or is the wrong version, or "
    "one of its required support DLL's could not be loaded.\n\nPlease re-run KLV3's Setup "
    "Utility, or contact support for assistance.";
const char* const kSoundCardText =
    "KLV3 Requires a Sound Card to function.\nWindows reports that no audio devices are "
    "present. Please install a supported Sound Card and try again.";

OptionsRecord defaults() {
    OptionsRecord r;
    assignDefaultOptions(r);
    return r;
}

class StartupTest : public testing::Test {
protected:
    void SetUp() override { test::clearStartupSettings(); }
    void TearDown() override { endRun(); }

    // A start as the program runs it, with two devices on a 1024-pixel screen unless a test
    // says otherwise. The engine's version comes from the real engine.
    Startup& makeStartup(int32_t version = 0, uint32_t devices = 2, int32_t width = 1024) {
        main = std::make_unique<MainWindow>(state);
        StartupProviders providers = StartupProviders::system();
        if (version != 0)
            providers.engineVersion = [version] { return version; };
        providers.deviceCount = [devices] { return devices; };
        providers.screenWidth = [width] { return width; };
        providers.crashProtection = [this](ProgramState&) { ++crashOffers; };
        startup = std::make_unique<Startup>(*main, providers);
        return *startup;
    }

    void endRun() {
        startup.reset();
        main.reset();
        klvKillAudio(); // as the shut-down does, so that no thread outlives the test
        state = ProgramState{};
    }

    test::ScopedHeadless windows;
    ProgramState state;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<Startup> startup;
    int crashOffers = 0;
};

TEST_F(StartupTest, FirstStartStoresTheDefaultsBeforeAnyAdjustment) {
    Startup& s = makeStartup();
    s.clearNavigatorFlag();
    ASSERT_TRUE(s.claimSingleInstance());
    ASSERT_TRUE(s.checkEngineVersion());
    s.setCaption();
    ASSERT_TRUE(s.checkSoundCard());
    s.showLoadingOptions();
    s.loadRemainTime();
    s.loadOptions();
    EXPECT_TRUE(s.firstRun());
    const auto stored = test::storedOptions();
    ASSERT_TRUE(stored);
    EXPECT_TRUE(test::sameBytes(*stored, defaults())); // still StatusLevel 1: saved at once
    EXPECT_TRUE(test::sameBytes(state.options, defaults()));
}

TEST_F(StartupTest, FirstStartEndsWithDefaultsAtStatusLevelTwoAndASecondStartLoadsThem) {
    setRegText("Settings", "Navigator", "0"); // the navigator itself would set the flag again
    state.navigatorOpen = true;
    ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running);
    EXPECT_TRUE(startup->firstRun());
    EXPECT_FALSE(state.navigatorOpen);
    OptionsRecord expected = defaults();
    expected.StatusLevel = 2;
    const auto stored = test::storedOptions();
    ASSERT_TRUE(stored);
    EXPECT_TRUE(test::sameBytes(*stored, expected));
    EXPECT_TRUE(test::sameBytes(state.options, expected));
    EXPECT_EQ(main->windowTitle(), "Kelvara");
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->startupWindowLoaded());
    EXPECT_TRUE(windows.system.boxes().empty());
    endRun();

    // Change a stored field, so a start that made defaults again would be seen.
    OptionsRecord changed = expected;
    changed.FadeSpeed = 3;
    klvSaveOptions(&changed);
    ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running);
    EXPECT_FALSE(startup->firstRun());
    EXPECT_TRUE(test::sameBytes(state.options, changed));
}

TEST_F(StartupTest, ShortStoredRecordLoadsWithZeroTail) {
    const OptionsRecord full = defaults();
    constexpr int32_t kShort = 100;
    ASSERT_EQ(klvSetReg("Settings", "Options", &full, kShort), 0);
    ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running);
    EXPECT_FALSE(startup->firstRun());
    const auto* bytes = reinterpret_cast<const unsigned char*>(&state.options);
    EXPECT_EQ(std::memcmp(bytes, &full, kShort), 0);
    for (size_t i = kShort; i < sizeof(OptionsRecord); ++i) {
        if (i >= offsetof(OptionsRecord, StatusLevel) && i < offsetof(OptionsRecord, LockEnabled))
            continue;
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
    }
    EXPECT_EQ(state.options.StatusLevel, 2);
    EXPECT_TRUE(test::storedOptions()); // saved back whole
}

TEST_F(StartupTest, NumberOfLinesIsFittedToTheScreenAndSaved) {
    const struct {
        int32_t width;
        int32_t stored;
        int32_t expected;
    } cases[] = {
        {1024, 12, 9}, {800, 12, 6}, {120, 6, 2}, {1024, 4, 4}, {1024, 0, 2},
    };
    for (const auto& c : cases) {
        OptionsRecord record = defaults();
        record.NumLines = c.stored;
        klvSaveOptions(&record);
        ASSERT_EQ(makeStartup(0, 2, c.width).run(), Startup::Outcome::Running);
        EXPECT_EQ(state.options.NumLines, c.expected) << c.stored << " on " << c.width;
        const auto stored = test::storedOptions();
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->NumLines, c.expected) << c.stored << " on " << c.width;
        endRun();
    }
}

TEST_F(StartupTest, OneDeviceTurnsThePreListenOutputOff) {
    const struct {
        uint32_t devices;
        int32_t useSecondary;
        int32_t primary;
    } cases[] = {{1, 0, 0}, {2, 1, 1}, {3, 1, 1}};
    for (const auto& c : cases) {
        OptionsRecord record = defaults();
        record.UseSecondary = 1;
        record.PrimaryDevice = 1;
        record.SecondaryDevice = 1;
        klvSaveOptions(&record);
        ASSERT_EQ(makeStartup(0, c.devices).run(), Startup::Outcome::Running);
        EXPECT_EQ(state.options.UseSecondary, c.useSecondary) << c.devices << " devices";
        EXPECT_EQ(state.options.PrimaryDevice, c.primary) << c.devices << " devices";
        EXPECT_EQ(state.options.SecondaryDevice, 1);
        EXPECT_EQ(test::storedOptions()->UseSecondary, c.useSecondary);
        endRun();
    }
}

TEST_F(StartupTest, RemainTimeComesFromTheStoredText) {
    const struct {
        const char* stored; // null: missing
        int32_t expected;
    } cases[] = {{nullptr, 1}, {"0", 0}, {"1", 1}, {"", 0}, {"x", 0}};
    for (const auto& c : cases) {
        klvDelReg("Settings", "Remain Time");
        if (c.stored)
            setRegText("Settings", "Remain Time", c.stored);
        ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running);
        EXPECT_EQ(main->timeRemain(), c.expected) << (c.stored ? c.stored : "(missing)");
        endRun();
    }
}

TEST_F(StartupTest, WrongEngineVersionShowsTheCriticalBoxAndEndsBeforeStoringAnything) {
    EXPECT_EQ(makeStartup(3400).run(), Startup::Outcome::Ended);
    const auto boxes = windows.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "KLV3 Critical Error");
    EXPECT_EQ(boxes[0].text, kVersionText);
    EXPECT_EQ(boxes[0].flags, kMbOk | kMbIconStop);
    EXPECT_FALSE(test::storedOptions());
    EXPECT_EQ(getRegText("Settings", "Remain Time", "none"), "none");
    EXPECT_NE(main->windowTitle(), "Kelvara");
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(main->startupWindowLoaded());
}

TEST_F(StartupTest, NoSoundDeviceShowsItsBoxAndEnds) {
    EXPECT_EQ(makeStartup(0, 0).run(), Startup::Outcome::Ended);
    const auto boxes = windows.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "KLV Initialisation Error");
    EXPECT_EQ(boxes[0].text, kSoundCardText);
    EXPECT_EQ(boxes[0].flags, kMbOk | kMbIconExclamation);
    EXPECT_FALSE(test::storedOptions());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(main->startupWindowLoaded());
}

TEST_F(StartupTest, SecondStartInTheSameHomeEndsSilently) {
    ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running);
    MainWindow otherWindow(state);
    Startup other(otherWindow);
    EXPECT_EQ(other.run(), Startup::Outcome::AlreadyRunning);
    EXPECT_TRUE(windows.system.boxes().empty());
    EXPECT_FALSE(otherWindow.isVisible());
    EXPECT_FALSE(otherWindow.startupWindowLoaded());
}

TEST_F(StartupTest, RunLeftMarkedRunningOffersCrashProtection) {
    const struct {
        const char* running; // null: missing
        int offers;
    } cases[] = {{nullptr, 0}, {"0", 0}, {"1", 1}, {"yes", 0}};
    for (const auto& c : cases) {
        klvDelReg("Settings", "Running");
        if (c.running)
            setRegText("Settings", "Running", c.running);
        crashOffers = 0;
        ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running);
        EXPECT_EQ(crashOffers, c.offers) << (c.running ? c.running : "(missing)");
        EXPECT_EQ(getRegText("Settings", "Running", "missing"), "1");
        endRun();
    }
}

TEST_F(StartupTest, CrashProtectionDialogSetsTheFlagsOfThisStart) {
    setRegText("Settings", "Running", "1");
    main = std::make_unique<MainWindow>(state);
    StartupProviders providers = StartupProviders::system(); // the real frmCrash
    providers.deviceCount = [] { return 2u; };
    providers.screenWidth = [] { return 1024; };
    QString title;
    test::ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<CrashDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        QCheckBox* box = dialog->noPluginsBox();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QTest::mouseClick(dialog->continueButton(), Qt::LeftButton);
    });
    Startup start(*main, providers);
    ASSERT_EQ(start.run(), Startup::Outcome::Running);
    EXPECT_EQ(title, "KLV Crash Protection");
    EXPECT_TRUE(state.noPlugins);
    EXPECT_FALSE(state.noOpen);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(StartupTest, FirstRunOpensTheGettingStartedTopic) {
    ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running);
    auto help = windows.system.helpRequests();
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].window, main->handle());
    EXPECT_EQ(help[0].command, KLV_HELP_CONTEXT);
    EXPECT_EQ(help[0].data, 1);
    endRun();
    windows.system.clear();
    ASSERT_EQ(makeStartup().run(), Startup::Outcome::Running); // options stored: no first run
    EXPECT_TRUE(windows.system.helpRequests().empty());
}

TEST_F(StartupTest, SplashWindowShowsProgress) {
    SplashWindow splash;
    EXPECT_EQ(splash.objectName(), "frmStartup");
    EXPECT_EQ(splash.statusText(), "Initializing...");
    const auto* title = splash.findChild<QLabel*>("lblTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "KLV3 Status");
    EXPECT_FALSE(splash.isVisible());
    splash.showText("Loading Options");
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.statusText(), "Loading Options...");
    test::keepScreenshot(splash, "kelvara-splash.png");
}

} // namespace
} // namespace klv::app

#pragma once
// The whole desk started as the program starts it (main window, start-up sequence, the real
// engine on the test back end), on a 1024 × 768 monitor with two sound devices, and closed
// without the exit question at the end of each test.

#include "app/shell/default_options.h"
#include "app/shell/main_window.h"
#include "app/shell/startup.h"
#include "tests/app/support/app_test_support.h"

#include <QRect>
#include <QStringList>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace klv::app {

struct DeskStart {
    int32_t numLines = 6;
    int32_t confirmExit = 2;
    // false: no options stored, so the start is a first run.
    bool stored = true;
    QStringList arguments;
};

class DeskRunTest : public testing::Test {
protected:
    void SetUp() override { test::clearStartupSettings(); }
    void TearDown() override { endRun(); }

    void startDesk(const DeskStart& how) {
        if (how.stored) {
            OptionsRecord record;
            assignDefaultOptions(record);
            record.NumLines = how.numLines;
            record.ConfirmExit = how.confirmExit;
            klvSaveOptions(&record);
        }
        main = std::make_unique<MainWindow>(state);
        main->setMonitorRect([] { return QRect(0, 0, 1024, 768); });
        StartupProviders providers = StartupProviders::system();
        providers.deviceCount = [] { return 2u; };
        providers.screenWidth = [] { return 1024; };
        providers.arguments = [arguments = how.arguments] { return arguments; };
        providers.introFile = [this] { return intro; };
        startup = std::make_unique<Startup>(*main, providers);
        ASSERT_EQ(startup->run(), Startup::Outcome::Running);
    }

    void endRun() {
        if (main && main->isVisible())
            main->closeWithoutQuestion();
        startup.reset();
        main.reset();
        // A start that never reached the shut-down leaves the output running: end it as the
        // shut-down does, so that no thread outlives the test.
        klvKillAudio();
        state = ProgramState{};
    }

    test::ScopedHeadless windows;
    ProgramState state;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<Startup> startup;
    std::filesystem::path intro = KLV_INTRO_PATH;
};

} // namespace klv::app

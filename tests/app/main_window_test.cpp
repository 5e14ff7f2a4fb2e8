#include "app/shell/main_window.h"

#include "app/shell/default_options.h"
#include "app/shell/registry_text.h"
#include "app/shell/splash_window.h"
#include "app/shell/startup.h"
#include "tests/app/app_test_support.h"

#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace klv::app {
namespace {

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override { test::clearStartupSettings(); }

    void start(const OptionsRecord* stored = nullptr) {
        if (stored)
            klvSaveOptions(stored);
        main = std::make_unique<MainWindow>(state);
        StartupProviders providers = StartupProviders::system();
        providers.deviceCount = [] { return 2u; };
        providers.screenWidth = [] { return 1024; };
        startup = std::make_unique<Startup>(*main, providers);
        ASSERT_EQ(startup->run(), Startup::Outcome::Running);
    }

    test::ScopedHeadless windows;
    ProgramState state;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<Startup> startup;
};

TEST_F(MainWindowTest, ClosingRunsTheShutDownAndStoresTheRunsState) {
    const struct {
        const char* remainTime;
        bool navigatorOpen;
        const char* navigator;
    } cases[] = {{"0", true, "1"}, {"1", false, "0"}};
    for (const auto& c : cases) {
        setRegText("Settings", "Remain Time", c.remainTime);
        start();
        state.navigatorOpen = c.navigatorOpen;
        klvDelReg("Settings", "Remain Time"); // the shut-down writes it back from TimeRemain
        QSignalSpy finished(main.get(), &MainWindow::shutDownFinished);
        EXPECT_TRUE(main->close());
        EXPECT_FALSE(main->isVisible());
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(getRegText("Settings", "Remain Time", "missing"), c.remainTime);
        EXPECT_EQ(getRegText("Settings", "Navigator", "missing"), c.navigator);
        EXPECT_EQ(getRegText("Settings", "Running", "missing"), "0");
        EXPECT_FALSE(main->startupWindowLoaded());
        EXPECT_TRUE(main->close()); // a second request does not run it again
        EXPECT_EQ(finished.count(), 1);
        startup.reset();
        main.reset();
    }
}

TEST_F(MainWindowTest, BackgroundIsTheOptionsBackColor) {
    const struct {
        int32_t backColor; // 0x00BBGGRR
        QRgb expected;
    } cases[] = {{0x000000, qRgb(0, 0, 0)}, {0x336699, qRgb(0x99, 0x66, 0x33)}};
    for (const auto& c : cases) {
        OptionsRecord record;
        assignDefaultOptions(record);
        record.BackColor = c.backColor;
        start(&record);
        QWidget* content = main->centralWidget();
        ASSERT_NE(content, nullptr);
        EXPECT_EQ(content->width(), 6 * 90 + 188);
        // Below the first line, left of the crossfader: the window's own background.
        const QImage image = content->grab().toImage();
        EXPECT_EQ(image.pixel(10, 360) & 0xFFFFFF, c.expected & 0xFFFFFF);
        main->routeMessage("Welcome to Kelvara", 0, 0);
        test::keepScreenshot(
            *main,
            QStringLiteral("kelvara-main-window-%1.png").arg(c.backColor, 6, 16, QChar('0')));
        main->close();
        startup.reset();
        main.reset();
    }
}

} // namespace
} // namespace klv::app

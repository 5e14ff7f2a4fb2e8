#include "app/shell/main_window.h"

#include "app/decks/line_control.h"
#include "app/decks/master_section.h"
#include "app/shell/default_options.h"
#include "app/shell/registry_text.h"
#include "app/shell/splash_window.h"
#include "app/shell/startup.h"
#include "tests/app/support/app_test_support.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
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
    // Each setting is stored before the start and changed on the desk before closing: the
    // shut-down must store the desk as the user left it, not as it started.
    const struct {
        const char* stored;
        const char* saved;
    } cases[] = {{"0", "1"}, {"1", "0"}};
    for (const auto& c : cases) {
        setRegText("Settings", "Remain Time", c.stored);
        setRegText("Settings", "Navigator", c.stored);
        setRegText("Settings", "Line 1 Mute", c.stored);
        start();
        LineControl& first = *main->line(0);
        // The time display flips elapsed and remaining time, the mute button the line's mute,
        // the navigator button opens or closes the navigator.
        QTest::mouseDClick(&first, Qt::LeftButton, {}, QPoint(40, 70));
        QTest::mouseClick(&first, Qt::LeftButton, {},
                          LineControl::buttonRect(LineControl::Button::Mute).center());
        QTest::mouseClick(main->master(), Qt::LeftButton, {},
                          MasterSection::buttonRect(MasterSection::Button::Navigator).center());
        ASSERT_EQ(getRegText("Settings", "Remain Time", "missing"), c.stored)
            << "stored only when the program ends";
        QSignalSpy finished(main.get(), &MainWindow::shutDownFinished);
        EXPECT_TRUE(main->close());
        EXPECT_FALSE(main->isVisible());
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(getRegText("Settings", "Remain Time", "missing"), c.saved);
        EXPECT_EQ(getRegText("Settings", "Navigator", "missing"), c.saved);
        EXPECT_EQ(getRegText("Settings", "Line 1 Mute", "missing"), c.saved);
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

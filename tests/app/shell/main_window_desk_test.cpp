// The main window as the desk: its size and layout, full-screen mode, the desk's keys, the
// audio watchdog and the shut-down's question, against the real engine on the test back end.

#include "app/settings/plugin_manager.h"
#include "app/settings/status_bar.h"
#include "app/shell/default_options.h"
#include "app/shell/desk_audio_watchdog.h"
#include "app/shell/desk_icon.h"
#include "app/shell/interval_timer.h"
#include "app/shell/main_window.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/registry_text.h"
#include "app/shell/startup.h"
#include "app/shell/startup_plugins.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/desk_run_test.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace klv::app {
namespace {

using platform::kIdNo;
using platform::kIdYes;

class MainWindowDeskTest : public DeskRunTest {
protected:
    void start(int32_t numLines = 6, int32_t confirmExit = 2, QStringList arguments = {}) {
        DeskStart how;
        how.numLines = numLines;
        how.confirmExit = confirmExit;
        how.arguments = std::move(arguments);
        startDesk(how);
    }
};

TEST_F(MainWindowDeskTest, WindowIsSizedForItsLinesWithTheStatusBarBesideTheCrossfader) {
    const struct {
        int32_t lines;
        int width;
    } cases[] = {{6, 728}, {2, 368}, {9, 998}};
    for (const auto& c : cases) {
        start(c.lines);
        EXPECT_EQ(main->centralWidget()->width(), c.width) << c.lines;
        EXPECT_EQ(main->centralWidget()->height(), 348 + 30);
        EXPECT_EQ(main->width(), c.width);
        // The status bar takes the room right of the centred crossfader, 2 pixels below its top.
        const int crossFaderLeft = (c.width - 260) / 2;
        const int statusWidth = c.width - crossFaderLeft - 260 - 4;
        EXPECT_EQ(main->status().geometry(), QRect(c.width - statusWidth, 350, statusWidth, 28))
            << c.lines;
        EXPECT_EQ(main->deskLeft(), 0);
        endRun();
    }
}

TEST_F(MainWindowDeskTest, FullScreenCoversTheMonitorAndCentresTheDesk) {
    const struct {
        int32_t lines;
        int left;
    } cases[] = {{6, 152}, {2, 332}, {9, 17}};
    for (const auto& c : cases) {
        start(c.lines);
        main->doFullScreen(true);
        EXPECT_TRUE(main->fullScreen());
        EXPECT_EQ(main->windowTitle(), "");
        EXPECT_TRUE(main->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(main->geometry(), QRect(0, 0, 1024, 768));
        EXPECT_EQ(main->deskLeft(), c.left) << c.lines;
        test::keepScreenshot(*main, QStringLiteral("kelvara-full-screen-%1.png").arg(c.lines));

        main->doFullScreen(false);
        EXPECT_FALSE(main->fullScreen());
        EXPECT_EQ(main->windowTitle(), "Kelvara");
        EXPECT_FALSE(main->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(main->width(), c.lines * 90 + 188);
        EXPECT_EQ(main->deskLeft(), 0);
        endRun();
    }
}

TEST_F(MainWindowDeskTest, FullScreenFromTheCommandLineAndAltEnter) {
    const struct {
        QStringList arguments;
        bool full;
    } cases[] = {{{"/f"}, true},
                 {{"/F"}, true},
                 {{"--full-screen"}, true},
                 {{}, false},
                 {{"/home/fred/music"}, false},
                 {{"-f"}, false}};
    for (const auto& c : cases) {
        start(6, 2, c.arguments);
        EXPECT_EQ(main->fullScreen(), c.full) << c.arguments.join(' ').toStdString();
        QTest::keyClick(main.get(), Qt::Key_Return, Qt::AltModifier);
        EXPECT_EQ(main->fullScreen(), !c.full);
        QTest::keyClick(main.get(), Qt::Key_Enter, Qt::AltModifier);
        EXPECT_EQ(main->fullScreen(), c.full);
        // Enter alone is the focused control's.
        QTest::keyClick(main.get(), Qt::Key_Return);
        EXPECT_EQ(main->fullScreen(), c.full);
        endRun();
    }
}

TEST_F(MainWindowDeskTest, DeviceNumbersAreRepairedWhenDevicesDisappear) {
    const struct {
        uint32_t devices;
        int32_t primary, secondary, use;
        int32_t primaryAfter, secondaryAfter, useAfter;
    } cases[] = {
        {2, 0, 1, 1, 0, 1, 1}, // nothing gone
        {1, 0, 1, 1, 0, 1, 0}, // the pre-listen card was unplugged
        {3, 4, 1, 1, 1, 1, 0}, // the main card went: device 1, now shared with the secondary
        {3, 0, 5, 1, 0, 2, 1}, // the secondary moves to the last device
        {1, 3, 0, 0, 0, 0, 0}, // one device left: the main output goes to it
        {2, 1, 1, 1, 1, 1, 0}, // both on one device: no separate pre-listen
    };
    for (const auto& c : cases) {
        OptionsRecord options{};
        options.PrimaryDevice = c.primary;
        options.SecondaryDevice = c.secondary;
        options.UseSecondary = c.use;
        repairOutputDevices(options, c.devices);
        EXPECT_EQ(options.PrimaryDevice, c.primaryAfter) << c.devices << " " << c.primary;
        EXPECT_EQ(options.SecondaryDevice, c.secondaryAfter) << c.devices << " " << c.secondary;
        EXPECT_EQ(options.UseSecondary, c.useAfter) << c.devices << " " << c.primary;
    }
}

TEST_F(MainWindowDeskTest, WatchdogRunsOnceStartedAndStopsBeforeTheAudioIsKilled) {
    start();
    AudioWatchdog& watchdog = main->audioWatchdog();
    EXPECT_TRUE(watchdog.running());
    uint32_t devices = 2;
    watchdog.setDeviceCount([&] { return devices; });
    auto* stepped = new SteppedTimer;
    watchdog.setTimer(std::unique_ptr<IntervalTimer>(stepped));
    EXPECT_TRUE(stepped->isActive());
    state.options.PrimaryDevice = 0;
    state.options.SecondaryDevice = 1;
    state.options.UseSecondary = 1;
    EXPECT_EQ(stepped->step(), 1);
    EXPECT_EQ(state.options.UseSecondary, 1);
    devices = 1; // the secondary card is unplugged
    EXPECT_EQ(stepped->step(), 1);
    EXPECT_EQ(state.options.UseSecondary, 0);
    EXPECT_EQ(state.options.PrimaryDevice, 0);

    main->closeWithoutQuestion();
    EXPECT_FALSE(stepped->isActive());
}

TEST_F(MainWindowDeskTest, ConfirmExitAsksAsTheOptionSays) {
    const struct {
        int32_t confirmExit;
        bool asSystem; // a termination request from the system
        int answer;
        bool asked;
        bool closed;
    } cases[] = {
        {0, false, kIdYes, true, true}, {0, false, kIdNo, true, false},
        {1, false, kIdNo, false, true}, {2, false, kIdNo, false, true},
        {0, true, kIdNo, false, true},
    };
    for (const auto& c : cases) {
        start(6, c.confirmExit);
        windows.system.clear();
        windows.system.boxAnswer = c.answer;
        QSignalSpy finished(main.get(), &MainWindow::shutDownFinished);
        if (c.asSystem)
            main->closeWithoutQuestion();
        else
            main->close();
        const auto boxes = windows.system.boxes();
        ASSERT_EQ(boxes.size(), c.asked ? 1u : 0u) << c.confirmExit;
        if (c.asked) {
            EXPECT_EQ(boxes[0].caption, "Confirm Exit");
            EXPECT_EQ(boxes[0].text, "Are you sure you want to exit now?");
            EXPECT_EQ(boxes[0].flags, platform::kMbYesNo | platform::kMbIconQuestion);
            EXPECT_EQ(boxes[0].owner, main->handle());
        }
        EXPECT_EQ(finished.count(), c.closed ? 1 : 0) << c.confirmExit;
        EXPECT_EQ(main->isVisible(), !c.closed);
        EXPECT_EQ(getRegText("Settings", "Running", "missing"), c.closed ? "0" : "1");
        EXPECT_EQ(main->audioWatchdog().running(), !c.closed);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        if (!c.closed) {
            // Answering No leaves the program as it was; the next close may go ahead.
            windows.system.boxAnswer = kIdYes;
            main->close();
            EXPECT_EQ(finished.count(), 1);
        }
        endRun();
    }
}

TEST_F(MainWindowDeskTest, SystemEndingTheProgramDuringTheQuestionStillShutsDown) {
    start(6, 0);
    QtWindowSystem real; // the question as a real box
    platform::setWindowSystem(&real);
    QString caption;
    test::ModalResponder responder([&](QWidget* modal) {
        caption = modal->windowTitle();
        main->closeWithoutQuestion(); // say, a logout while the box is up
    });
    QSignalSpy finished(main.get(), &MainWindow::shutDownFinished);
    main->close();
    platform::setWindowSystem(&windows.system);
    EXPECT_EQ(caption, "Confirm Exit");
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(getRegText("Settings", "Running", "missing"), "0");
}

TEST_F(MainWindowDeskTest, IconIsDrawnAtEverySize) {
    const QIcon icon = kelvaraIcon();
    for (int size : {16, 32, 64, 256}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.width(), size);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;                 // rounded corner
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size; // the tile
    }
    if (const char* dir = std::getenv("KLV_SCREENSHOT_DIR"))
        icon.pixmap(128, 128).save(QDir(dir).filePath("kelvara-icon.png"));
}

TEST_F(MainWindowDeskTest, PluginManagerOpensOverTheWindowWithTheStartUpList) {
    start();
    QString title;
    int rows = -1;
    test::ModalResponder responder([&](QWidget* modal) {
        auto* manager = qobject_cast<PluginManager*>(modal);
        ASSERT_NE(manager, nullptr);
        title = manager->windowTitle();
        rows = manager->pluginListView()->count();
        EXPECT_EQ(manager->parentWidget(), main.get());
        manager->doneButton()->click();
    });
    main->showPluginManager();
    EXPECT_EQ(title, "KLV3 Plugin Manager");
    EXPECT_EQ(rows, static_cast<int>(pluginList().size()));
}

} // namespace
} // namespace klv::app

// The main window with its real lines, master section and crossfader: lines made and removed by
// Update, where they sit, the keys that reach them by number, the focus ring, the crossfader
// sides across lines, the navigator's return and the first start's intro.

#include "app/browser/navigator_window.h"
#include "app/decks/cross_fader.h"
#include "app/decks/line_control.h"
#include "app/decks/master_section.h"
#include "app/decks/vu_window.h"
#include "app/shell/default_options.h"
#include "app/shell/main_window.h"
#include "app/shell/registry_text.h"
#include "app/shell/startup.h"
#include "tests/app/decks/master_audio_support.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/desk_run_test.h"
#include "tests/support/temp_home.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace klv::app {
namespace {

using State = LineControl::State;

// Twenty seconds of a constant level: longer than any test here lets a line play.
QString testWav(const char* name) {
    const auto path = test::testHome() / name;
    test::writeConstantWav(path, test::kLineSample, 20);
    return QString::fromStdString(path.string());
}

class MainWindowLinesTest : public DeskRunTest {
protected:
    void SetUp() override {
        DeskRunTest::SetUp();
        setRegText("Settings", "Navigator", "0");
    }

    // stored: whether options are stored (else a first run).
    void start(int32_t numLines = 6, bool stored = true, int32_t confirmExit = 2) {
        DeskStart how;
        how.numLines = numLines;
        how.confirmExit = confirmExit;
        how.stored = stored;
        startDesk(how);
    }

    LineControl& line(int n) { return *main->line(n); }
};

TEST_F(MainWindowLinesTest, UpdateMakesAndRemovesLinesInOrderAfterTheirCleanUp) {
    start(6);
    ASSERT_EQ(main->lineCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(line(i).number(), i);
        EXPECT_EQ(line(i).geometry(), QRect(90 * i, 0, 90, 348)) << i;
        EXPECT_TRUE(line(i).isVisible());
    }
    ASSERT_NE(main->master(), nullptr);
    EXPECT_EQ(main->master()->pos(), QPoint(540, 0));
    ASSERT_NE(main->crossFader(), nullptr);
    EXPECT_EQ(main->crossFader()->geometry(), QRect(234, 348, 260, 30));

    // Each line is gone only after its CleanUp stored its state; the highest goes first.
    for (const char* name : {"Line 5 Fader", "Line 6 Fader"})
        klvDelReg("Settings", name);
    std::vector<int> destroyed;
    std::vector<bool> savedFirst;
    for (int n : {4, 5}) {
        QObject::connect(&line(n), &QObject::destroyed, [&, n] {
            destroyed.push_back(n);
            const std::string name = "Line " + std::to_string(n + 1) + " Fader";
            savedFirst.push_back(getRegText("Settings", name.c_str(), "missing") != "missing");
        });
    }
    state.options.NumLines = 4;
    main->updateDesk(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->lineCount(), 4);
    EXPECT_EQ(destroyed, (std::vector<int>{5, 4}));
    EXPECT_EQ(savedFirst, (std::vector<bool>{true, true}));
    EXPECT_EQ(main->width(), 4 * 90 + 188);
    EXPECT_EQ(main->master()->pos(), QPoint(360, 0));

    // Raised again with Update(1): the new lines do not re-open their last files.
    const QString song = testWav("song.wav");
    setRegText("Last Opened Files", "Line 5", song.toStdString());
    state.options.NumLines = 6;
    main->updateDesk(1);
    ASSERT_EQ(main->lineCount(), 6);
    EXPECT_EQ(line(4).number(), 4);
    EXPECT_TRUE(line(4).fileName().isEmpty());
    EXPECT_EQ(line(4).state(), State::Empty);
    EXPECT_EQ(getRegText("Last Opened Files", "Line 5", "missing"), "");
    EXPECT_EQ(main->width(), 728);
}

TEST_F(MainWindowLinesTest, LinesReopenTheirFilesUnlessCrashProtectionSaysNo) {
    const struct {
        bool noOpen;
        State expected;
    } cases[] = {{false, State::Loaded}, {true, State::Empty}};
    for (const auto& c : cases) {
        const QString song = testWav("again.wav");
        setRegText("Last Opened Files", "Line 2", song.toStdString());
        state.noOpen = c.noOpen; // what the crash dialog's first box sets
        OptionsRecord record;
        assignDefaultOptions(record);
        klvSaveOptions(&record);
        main = std::make_unique<MainWindow>(state);
        StartupProviders providers = StartupProviders::system();
        providers.deviceCount = [] { return 2u; };
        providers.screenWidth = [] { return 1024; };
        providers.crashProtection = [&](ProgramState& s) { s.noOpen = c.noOpen; };
        setRegText("Settings", "Running", "1");
        startup = std::make_unique<Startup>(*main, providers);
        ASSERT_EQ(startup->run(), Startup::Outcome::Running);
        EXPECT_EQ(line(1).state(), c.expected) << c.noOpen;
        endRun();
    }
}

TEST_F(MainWindowLinesTest, FullScreenCentresTheLinesMasterAndCrossfader) {
    start(6);
    main->doFullScreen(true);
    EXPECT_EQ(line(0).pos(), QPoint(152, 0));
    EXPECT_EQ(line(5).pos(), QPoint(152 + 450, 0));
    EXPECT_EQ(main->master()->pos(), QPoint(152 + 540, 0));
    EXPECT_EQ(main->crossFader()->pos(), QPoint(382, 348));
    test::keepScreenshot(*main, "kelvara-main-window-full-screen.png");
    main->doFullScreen(false);
    EXPECT_EQ(line(0).pos(), QPoint(0, 0));
    EXPECT_EQ(main->master()->pos(), QPoint(540, 0));
    test::keepScreenshot(*main, "kelvara-main-window.png");
}

TEST_F(MainWindowLinesTest, ShiftAndCtrlWithADigitPlayAndStopTheLineOfThatNumber) {
    start(6);
    const QString song = testWav("third.wav");
    line(2).loadFile(song);
    ASSERT_EQ(line(2).state(), State::Loaded);
    QWidget* focused = &line(0); // the keys reach the line by number wherever the focus is
    QTest::keyClick(focused, Qt::Key_3);
    EXPECT_EQ(line(2).state(), State::Loaded);
    QTest::keyClick(focused, Qt::Key_3, Qt::ShiftModifier);
    EXPECT_EQ(line(2).state(), State::Playing);
    QTest::keyClick(focused, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(line(2).state(), State::Loaded);
    QTest::keyClick(focused, Qt::Key_NumberSign, Qt::ShiftModifier); // Shift+3 on a US keyboard
    EXPECT_EQ(line(2).state(), State::Playing);
    QTest::keyClick(main.get(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(line(2).state(), State::Loaded);
    // The tenth line does not exist: Ctrl+0 and Shift+0 do nothing.
    QTest::keyClick(focused, Qt::Key_0, Qt::ControlModifier);
    QTest::keyClick(focused, Qt::Key_0, Qt::ShiftModifier);
    EXPECT_EQ(main->lineCount(), 6);
}

TEST_F(MainWindowLinesTest, ConfirmExitOneAsksOnlyWhileALinePlays) {
    start(6, true, 1);
    line(0).loadFile(testWav("playing.wav"));
    line(0).pause();
    ASSERT_EQ(line(0).state(), State::Playing);
    ASSERT_GT(klvCheckPlaying(), 0);
    windows.system.boxAnswer = platform::kIdNo;
    EXPECT_FALSE(main->close());
    EXPECT_EQ(windows.system.boxes().size(), 1u);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(line(0).state(), State::Playing);

    line(0).doStop();
    EXPECT_TRUE(main->close());
    EXPECT_EQ(windows.system.boxes().size(), 1u);
    EXPECT_EQ(getRegText("Last Opened Files", "Line 1", "missing"),
              (test::testHome() / "playing.wav").string());
}

TEST_F(MainWindowLinesTest, FocusGoesRoundTheLinesAndTheMasterSection) {
    start(4);
    QApplication::setActiveWindow(main.get());
    const struct {
        int from;
        int d;
        int to; // -1: the master section
    } cases[] = {{0, 1, 1}, {3, 1, -1}, {0, -1, -1}, {-1, -1, 3}, {-1, 1, 0}, {2, -1, 1}};
    for (const auto& c : cases) {
        main->changeFocus(c.from, c.d);
        QWidget* expected = c.to < 0 ? static_cast<QWidget*>(main->master()) : &line(c.to);
        EXPECT_EQ(QApplication::focusWidget(), expected) << c.from << " " << c.d;
    }
}

TEST_F(MainWindowLinesTest, CrossfaderSidesAreClearedAndSwappedAcrossTheLines) {
    start(4);
    line(0).toggleXFSide(1);
    line(1).toggleXFSide(2);
    EXPECT_EQ(main->crossFader()->xfLabel(0), "Line 1");
    main->swapXFader();
    EXPECT_EQ(line(0).xfSide(), 2);
    EXPECT_EQ(line(1).xfSide(), 1);
    main->clearXF(1);
    EXPECT_EQ(line(1).xfSide(), 0);
    EXPECT_EQ(line(0).xfSide(), 2);
    EXPECT_EQ(main->crossFader()->xfLabel(0), "");
}

TEST_F(MainWindowLinesTest, DeskIsRestoredAfterPlayingAndCrossfading) {
    start(6);
    const QString left = testWav("left.wav");
    const QString right = testWav("right.wav");
    line(0).loadFile(left);
    line(1).loadFile(right);
    line(0).toggleXFSide(1);
    line(1).toggleXFSide(2);
    QTest::keyClick(&line(0), Qt::Key_1, Qt::ShiftModifier);
    QTest::keyClick(&line(0), Qt::Key_2, Qt::ShiftModifier);
    EXPECT_EQ(line(0).state(), State::Playing);
    EXPECT_EQ(line(1).state(), State::Playing);
    // The crossfader pressed near its left end: the right side fades out.
    CrossFader& fader = *main->crossFader();
    QTest::mousePress(&fader, Qt::LeftButton, {}, QPoint(45, 15));
    QTest::mouseRelease(&fader, Qt::LeftButton, {}, QPoint(45, 15));
    EXPECT_EQ(fader.valueLeft(), 100);
    EXPECT_EQ(fader.valueRight(), 0);
    EXPECT_EQ(line(0).xfValue(), 100);
    EXPECT_EQ(line(1).xfValue(), 0);
    line(0).setVal(-20); // the fader knob up
    const int faderTop = line(0).faderTop();
    if (MasterSection* master = main->master()) {
        master->showFullScreenVu();
        QTest::qWait(300); // the engine's meters draw on their own thread
        if (master->fullScreenVu())
            test::keepScreenshot(*master->fullScreenVu(), "kelvara-full-screen-vu.png");
        master->closeFullScreenVu();
    }
    test::keepScreenshot(*main, "kelvara-main-window-playing.png");
    EXPECT_TRUE(main->close());
    endRun();

    start(6);
    EXPECT_EQ(line(0).fileName(), left);
    EXPECT_EQ(line(1).fileName(), right);
    EXPECT_EQ(line(0).state(), State::Loaded);
    EXPECT_EQ(line(1).state(), State::Loaded);
    EXPECT_EQ(line(0).xfSide(), 1);
    EXPECT_EQ(line(1).xfSide(), 2);
    EXPECT_EQ(line(0).faderTop(), faderTop);
    EXPECT_EQ(main->crossFader()->xfLabel(0), "Line 1");
    EXPECT_EQ(main->crossFader()->xfLabel(1), "Line 2");
}

TEST_F(MainWindowLinesTest, NavigatorComesBackWhenItWasOpen) {
    setRegText("Settings", "Navigator", "1");
    start(6);
    ASSERT_NE(main->navigator(), nullptr);
    EXPECT_TRUE(main->navigator()->isVisible());
    EXPECT_TRUE(state.navigatorOpen);
    main->closeWithoutQuestion();
    EXPECT_EQ(getRegText("Settings", "Navigator", "missing"), "1");
    EXPECT_FALSE(state.navigatorOpen);
    endRun();

    setRegText("Settings", "Navigator", "0");
    start(6);
    EXPECT_EQ(main->navigator(), nullptr);
    main->toggleNavigator();
    ASSERT_NE(main->navigator(), nullptr);
    main->toggleNavigator();
    EXPECT_EQ(main->navigator(), nullptr);
    main->closeWithoutQuestion();
    EXPECT_EQ(getRegText("Settings", "Navigator", "missing"), "0");
}

TEST_F(MainWindowLinesTest, FirstStartPlaysTheIntroOnTheFirstLineSoonAfter) {
    const struct {
        bool present;
        State loaded;
        State later;
    } cases[] = {{true, State::Loaded, State::Playing}, {false, State::Empty, State::Empty}};
    for (const auto& c : cases) {
        klvDelReg("Settings", "Options");
        if (!c.present)
            intro = test::testHome() / "no-intro.mp3";
        start(6, false);
        ASSERT_TRUE(startup->firstRun());
        EXPECT_EQ(line(0).state(), c.loaded) << c.present;
        QTest::qWait(Startup::kIntroDelayMs + 200);
        EXPECT_EQ(line(0).state(), c.later) << c.present;
        for (int n = 1; n < main->lineCount(); ++n)
            EXPECT_NE(line(n).state(), State::Playing);
        endRun();
    }
}

} // namespace
} // namespace klv::app

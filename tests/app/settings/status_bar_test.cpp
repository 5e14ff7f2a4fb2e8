#include "app/settings/status_bar.h"

#include "tests/app/support/app_test_support.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace klv::app {
namespace {

const QColor kText(0xC0, 0xC0, 0xC0); // TextColor 0xC0C0C0
const QColor kBack(0x10, 0x20, 0x30); // BackColor 0x302010
const QColor kRed(221, 0, 0);

// A status bar on a stepped clock, sized as in a six-line main window.
class StatusBarTest : public testing::Test {
protected:
    StatusBarTest() {
        clock = new SteppedTimer;
        bar.setTimer(clock);
        bar.applyColors(0xC0C0C0, 0x302010);
        bar.resize(230, 28);
    }

    // Steps the clock to the given tick of the current message.
    void stepTo(int tick) {
        ASSERT_LE(bar.ticks(), tick);
        clock->step(tick - bar.ticks());
        ASSERT_EQ(bar.ticks(), tick);
    }

    StatusBar bar;
    SteppedTimer* clock;
};

TEST_F(StatusBarTest, MessageBlinksStaysFadesAndGoes) {
    bar.showMessage("Decoding Failed for /music/a.mp3", 2, 0);
    EXPECT_TRUE(bar.timerActive());
    EXPECT_TRUE(bar.indicatorVisible());
    const struct {
        int tick;
        bool indicator;
        bool buttons;
        bool fading;
    } timeline[] = {
        {1, true, true, false},    {4, true, true, false},    {5, false, true, false},
        {9, false, true, false},   {10, true, true, false},   {14, true, true, false},
        {15, false, true, false},  {25, false, true, false},  {29, false, true, false},
        {30, true, true, false},   {35, true, true, false},   {100, true, true, false},
        {101, false, false, true}, {115, false, false, true}, {130, false, false, true},
    };
    for (const auto& t : timeline) {
        stepTo(t.tick);
        EXPECT_EQ(bar.indicatorVisible(), t.indicator) << "tick " << t.tick;
        EXPECT_EQ(bar.dismissVisible(), t.buttons) << "tick " << t.tick;
        EXPECT_EQ(bar.messageText(), "Decoding Failed for /music/a.mp3") << "tick " << t.tick;
        EXPECT_TRUE(bar.titleVisible()) << "tick " << t.tick;
        EXPECT_EQ(bar.messageColor() != kRed, t.fading) << "tick " << t.tick;
    }
    stepTo(131);
    EXPECT_TRUE(bar.messageText().isEmpty());
    EXPECT_FALSE(bar.titleVisible());
    EXPECT_FALSE(bar.indicatorVisible());
    EXPECT_FALSE(bar.dismissVisible());
    EXPECT_FALSE(bar.detailsVisible());
    EXPECT_FALSE(bar.timerActive());
    EXPECT_EQ(clock->step(50), 0); // stopped: nothing more happens
}

TEST_F(StatusBarTest, FadeRunsFromTheStartColourIntoTheBackground) {
    const struct {
        int tick;
        QColor start;
        QColor expected;
    } cases[] = {
        // p = round((tick x 100 - 10000) / 30): 3 at 101, 50 at 115, 100 at 130.
        {101, kRed, QColor(215, 1, 1)},
        {115, kRed, QColor(119, 16, 24)},
        {130, kRed, kBack},
        {101, kText, QColor(187, 187, 188)},
        {115, kText, QColor(104, 112, 120)},
        {130, kText, kBack},
        {140, kText, QColor(0, 0, 0)}, // past the end the channels stay within 0..255
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusBar::fadedColor(c.start, kBack, c.tick), c.expected) << c.tick;

    bar.showMessage("Welcome", 0, 0);
    stepTo(115);
    EXPECT_EQ(bar.messageColor(), QColor(104, 112, 120));
    EXPECT_EQ(bar.titleColor(), QColor(104, 112, 120));
    bar.showMessage("Broken file", 2, 0);
    stepTo(115);
    EXPECT_EQ(bar.messageColor(), QColor(119, 16, 24));
    EXPECT_EQ(bar.titleColor(), QColor(104, 112, 120)); // the title always starts from TextColor
}

TEST_F(StatusBarTest, SeverityPicksTitleColourAndWeight) {
    const struct {
        int32_t level;
        int32_t help;
        int32_t shownLevel;
        const char* title;
        QColor colour;
        bool bold;
        bool details;
        const char* shot;
    } cases[] = {
        {0, 0, 0, "Notice:", kText, false, false, "status-notice.png"},
        {1, 0, 1, "Warning:", kText, false, false, "status-warning.png"},
        {2, 0, 2, "Error:", kRed, true, false, "status-error.png"},
        {5, 0, 2, "Error:", kRed, true, false, nullptr},
        {-1, 0, 0, "Notice:", kText, false, false, nullptr},
        {1, 34, 1, "Warning:", kText, false, true, "status-warning-details.png"},
    };
    for (const auto& c : cases) {
        bar.showMessage(QStringLiteral("Level %1 message").arg(c.level), c.level, c.help);
        EXPECT_EQ(bar.level(), c.shownLevel) << c.level;
        EXPECT_EQ(bar.titleText(), c.title) << c.level;
        EXPECT_EQ(bar.messageColor(), c.colour) << c.level;
        EXPECT_EQ(bar.messageBold(), c.bold) << c.level;
        EXPECT_EQ(bar.titleColor(), kText) << c.level;
        EXPECT_EQ(bar.detailsVisible(), c.details) << c.level;
        EXPECT_TRUE(bar.dismissVisible());
        EXPECT_EQ(bar.messageLeft(), StatusBar::kMessageLeft);
        EXPECT_EQ(bar.ticks(), 0);
        if (c.shot)
            test::keepScreenshot(bar, c.shot);
    }
}

TEST_F(StatusBarTest, NewMessageReplacesTheOldOneAtOnce) {
    bar.showMessage("first", 2, 0);
    stepTo(120);
    bar.showMessage("second", 0, 0);
    EXPECT_EQ(bar.messageText(), "second");
    EXPECT_EQ(bar.ticks(), 0);
    EXPECT_EQ(bar.messageColor(), kText);
    EXPECT_TRUE(bar.indicatorVisible());
    EXPECT_TRUE(bar.dismissVisible());
}

TEST_F(StatusBarTest, HoldingKeepsTheMessageAndReleasingRestartsAtSeventy) {
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.showMessage("Can't open file - Invalid or Unsupported File Type", 2, 5);
    stepTo(110); // already fading, buttons gone
    ASSERT_FALSE(bar.dismissVisible());

    QTest::mousePress(bar.messageLabel(), Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_FALSE(bar.timerActive());
    EXPECT_EQ(bar.messageColor(), kRed);
    EXPECT_TRUE(bar.messageBold());
    EXPECT_TRUE(bar.indicatorVisible());
    EXPECT_TRUE(bar.dismissVisible());
    EXPECT_TRUE(bar.detailsVisible());
    EXPECT_EQ(clock->step(600), 0); // a minute held: nothing moves

    QTest::mouseRelease(bar.messageLabel(), Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_TRUE(bar.timerActive());
    EXPECT_EQ(bar.ticks(), StatusBar::kReleasedAt);
    stepTo(100); // three more seconds in full colour
    EXPECT_EQ(bar.messageColor(), kRed);
    EXPECT_TRUE(bar.indicatorVisible());
    stepTo(101);
    EXPECT_NE(bar.messageColor(), kRed);
    stepTo(131);
    EXPECT_TRUE(bar.messageText().isEmpty());
}

TEST_F(StatusBarTest, DraggingScrollsOnlyAMessageWiderThanTheBar) {
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QLabel* label = bar.messageLabel();

    bar.showMessage("short", 0, 0);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(2, 5));
    QTest::mouseMove(label, QPoint(-100, 5));
    EXPECT_EQ(bar.messageLeft(), StatusBar::kMessageLeft);
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(2, 5));

    bar.showMessage(QString(60, u'W') + " Decoding Failed for a file with a long name.mp3", 2, 0);
    ASSERT_GT(label->width(), bar.width());
    const int leftmost = bar.width() - label->width();
    struct Step {
        int pointerX; // in bar coordinates
        int expectedLeft;
    };
    // Pressed 10 pixels into the label, which starts at 16.
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 5));
    const Step steps[] = {
        {26 - 40, StatusBar::kMessageLeft - 40},
        {26 - 100000, leftmost},             // stops where its right end meets the bar's edge
        {26 + 500, StatusBar::kMessageLeft}, // and never right of its start
        {26 - 7, StatusBar::kMessageLeft - 7},
    };
    for (const auto& s : steps) {
        QTest::mouseMove(label, label->mapFromParent(QPoint(s.pointerX, 20)));
        EXPECT_EQ(bar.messageLeft(), s.expectedLeft) << s.pointerX;
    }
    QTest::mouseRelease(label, Qt::LeftButton, {}, label->mapFromParent(QPoint(19, 20)));
    EXPECT_EQ(bar.ticks(), StatusBar::kReleasedAt);
}

TEST_F(StatusBarTest, DismissClearsEverythingAndStopsTheClock) {
    bar.showMessage("Password Incorrect", 0, 3);
    stepTo(12);
    QTest::mouseClick(bar.dismissButton(), Qt::LeftButton);
    EXPECT_TRUE(bar.messageText().isEmpty());
    EXPECT_FALSE(bar.titleVisible());
    EXPECT_FALSE(bar.indicatorVisible());
    EXPECT_FALSE(bar.dismissVisible());
    EXPECT_FALSE(bar.detailsVisible());
    EXPECT_FALSE(bar.timerActive());
}

TEST_F(StatusBarTest, DetailsOpensTheMessagesHelpTopic) {
    test::ScopedHeadless windows;
    bar.showMessage("Something to read up on", 1, 34);
    QTest::mouseClick(bar.detailsButton(), Qt::LeftButton);
    const auto help = windows.system.helpRequests();
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].command, KLV_HELP_CONTEXT);
    EXPECT_EQ(help[0].data, 34);
}

} // namespace
} // namespace klv::app

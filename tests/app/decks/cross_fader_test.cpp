// The crossfader: side gains from the knob, gestures, auto-fade, swap and labels, with real
// lines on its sides playing through the engine.

#include "app/decks/cross_fader.h"
#include "app/decks/line_control.h"
#include "app/shell/default_options.h"
#include "app/shell/interval_timer.h"
#include "app/shell/program_state.h"
#include "engine/core/line_slot.h"
#include "tests/app/decks/master_audio_support.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/test_desk.h"

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace klv::test {
namespace {

using app::CrossFader;

// The main window's part: emptying a side reaches every line, and the swap button swaps.
class FaderDesk : public TestDesk {
public:
    using TestDesk::TestDesk;
    void clearXF(int32_t side) override {
        TestDesk::clearXF(side);
        for (app::LineControl* l : lines)
            l->clearXF(side);
    }
    void swapXFader() override {
        TestDesk::swapXFader();
        app::swapCrossFaderSides(*this);
    }
};

class CrossFaderTest : public testing::Test {
protected:
    CrossFaderTest() : desk(state) {
        platform::wavetest::configure(2);
        app::assignDefaultOptions(state.options);
        state.options.FadeSpeed = 0;
        klvSaveOptions(&state.options);
        timer = new app::SteppedTimer;
        fader = std::make_unique<CrossFader>(desk, nullptr, timer);
        desk.fader = fader.get();
        fader->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fader.get()));
    }
    ~CrossFaderTest() override {
        for (auto& line : lines)
            line->cleanUp();
        desk.lines.clear();
    }

    // Line n (from 0) with a song open on it.
    app::LineControl& addLine() {
        const int number = static_cast<int>(lines.size());
        lines.push_back(
            std::make_unique<app::LineControl>(desk, number, nullptr, new app::SteppedTimer));
        desk.lines.push_back(lines.back().get());
        const auto path = testHome() / ("song" + std::to_string(number) + ".wav");
        writeConstantWav(path, kLineSample, 2);
        lines.back()->openFile(QString::fromStdString(path.string()));
        return *lines.back();
    }

    // The gain the engine applies to line's song now.
    static float engineVolume(app::LineControl& line) {
        LineSlot* slot = line.current().slot;
        return slot ? slot->volume.load(std::memory_order_relaxed) : -1.0f;
    }

    // Puts the knob at position with a press on the surface, as the user does.
    void pressAt(int position) {
        const QPoint at(position + CrossFader::kKnobWidth / 2, 15);
        QTest::mouseClick(fader.get(), Qt::LeftButton, {}, at);
    }
    QPoint knobCentre() const {
        return QPoint(fader->knobPosition() + CrossFader::kKnobWidth / 2, 14);
    }
    void pressAutoFade(int direction) {
        QTest::mouseClick(fader.get(), Qt::LeftButton, {},
                          CrossFader::autoFadeRect(direction).center());
    }

    app::ProgramState state;
    FaderDesk desk;
    app::SteppedTimer* timer = nullptr;
    std::unique_ptr<CrossFader> fader;
    std::vector<std::unique_ptr<app::LineControl>> lines;
};

TEST_F(CrossFaderTest, SideGainsFromTheKnob) {
    EXPECT_EQ(fader->knobPosition(), 113);
    EXPECT_EQ(fader->valueLeft(), 100);
    EXPECT_EQ(fader->valueRight(), 100);
    const struct {
        int position;
        int32_t left, right;
    } cases[] = {
        // In this order no press lands on the knob where the previous one left it.
        {185, 0, 100},
        {41, 100, 0},
        {149, 50, 100},
        {113, 100, 100},
        {30, 100, 0},
        {200, 0, 100},
        {114, 99, 100},
        {77, 100, 50},
        {59, 100, 25},
        {167, 25, 100},
        {95, 100, 75},
        {131, 75, 100},
        // Halves go to the even neighbour: 9, 27 and 45 pixels give 12.5, 37.5 and 62.5.
        {50, 100, 12},
        {68, 100, 38},
        {158, 38, 100},
        {86, 100, 62},
    };
    QSignalSpy changes(fader.get(), &CrossFader::valuesChanged);
    for (const auto& c : cases) {
        const int x = std::clamp(c.position, 24, 234);
        QTest::mouseClick(fader.get(), Qt::LeftButton, {}, QPoint(x + 16, 15));
        if (x + 16 < 40 || x + 16 > 218)
            continue; // outside the surface: nothing moves
        EXPECT_EQ(fader->knobPosition(), std::clamp(c.position, 41, 185)) << c.position;
        EXPECT_EQ(fader->valueLeft(), c.left) << c.position;
        EXPECT_EQ(fader->valueRight(), c.right) << c.position;
        ASSERT_FALSE(changes.isEmpty());
        EXPECT_EQ(changes.last().at(0).toInt(), c.left);
        EXPECT_EQ(changes.last().at(1).toInt(), c.right);
    }
}

TEST_F(CrossFaderTest, LinesOnTheSidesGetTheirGainsInTheEngine) {
    app::LineControl& one = addLine();
    app::LineControl& two = addLine();
    app::LineControl& three = addLine();
    one.toggleXFSide(1);
    two.toggleXFSide(2);
    fader->setXFLabel(0, "Line 1");
    fader->setXFLabel(1, "Line 2");

    pressAt(149);
    EXPECT_EQ(fader->valueLeft(), 50);
    EXPECT_EQ(one.xfValue(), 50);
    EXPECT_EQ(two.xfValue(), 100);
    EXPECT_FLOAT_EQ(engineVolume(one), 0.5f * one.faderPercent() / 100.0f);
    EXPECT_FLOAT_EQ(engineVolume(two), two.faderPercent() / 100.0f);
    const float unassigned = engineVolume(three);

    pressAt(41);
    EXPECT_FLOAT_EQ(engineVolume(one), one.faderPercent() / 100.0f);
    EXPECT_FLOAT_EQ(engineVolume(two), 0.0f);
    EXPECT_FLOAT_EQ(engineVolume(three), unassigned) << "a line on no side is left alone";
    keepScreenshot(*fader, "cross_fader.png");
}

TEST_F(CrossFaderTest, SwappingMovesTheLinesAndKeepsTheirGains) {
    app::LineControl& one = addLine();
    app::LineControl& two = addLine();
    one.toggleXFSide(1);
    two.toggleXFSide(2);
    pressAt(60);
    const float oneBefore = engineVolume(one);
    const float twoBefore = engineVolume(two);
    ASSERT_EQ(one.xfValue(), 100);
    ASSERT_EQ(two.xfValue(), 26);

    QTest::mouseClick(fader.get(), Qt::LeftButton, {}, CrossFader::swapRect().center());
    EXPECT_EQ(desk.swaps, 1);
    EXPECT_EQ(one.xfSide(), 2);
    EXPECT_EQ(two.xfSide(), 1);
    EXPECT_EQ(fader->knobPosition(), 166);
    EXPECT_EQ(one.xfValue(), 100);
    EXPECT_EQ(two.xfValue(), 26);
    EXPECT_FLOAT_EQ(engineVolume(one), oneBefore);
    EXPECT_FLOAT_EQ(engineVolume(two), twoBefore);

    // One line alone changes sides too.
    two.toggleXFSide(1); // off the left side
    ASSERT_EQ(two.xfSide(), 0);
    app::swapCrossFaderSides(desk);
    EXPECT_EQ(one.xfSide(), 1);
    EXPECT_EQ(two.xfSide(), 0);
    EXPECT_EQ(fader->knobPosition(), 60);
}

TEST_F(CrossFaderTest, AutoFadeEndsExactlyAtEachEnd) {
    const struct {
        int speed;
        int interval;
        int start;
        int direction;
        int end;
        int ticks;
    } cases[] = {
        {0, 81, 113, 1, 185, 72}, {0, 81, 113, 0, 41, 72}, {1, 61, 41, 1, 185, 72},
        {2, 41, 50, 1, 185, 45},  {3, 21, 185, 0, 41, 36}, {4, 1, 100, 0, 41, 12},
    };
    for (const auto& c : cases) {
        state.options.FadeSpeed = c.speed;
        fader->updateLayout();
        EXPECT_EQ(fader->fadeIntervalMs(), c.interval);
        pressAt(c.start);
        ASSERT_EQ(fader->knobPosition(), c.start);
        pressAutoFade(c.direction);
        EXPECT_TRUE(fader->fading());
        EXPECT_EQ(fader->fadeStep(), c.speed + 1);
        int ticks = 0;
        while (timer->isActive() && ticks < 1000) {
            timer->step();
            ++ticks;
            // Never past an end: no side ever gets a gain outside 0..100.
            ASSERT_GE(fader->knobPosition(), 41);
            ASSERT_LE(fader->knobPosition(), 185);
        }
        EXPECT_EQ(ticks, c.ticks) << c.speed << "/" << c.start;
        EXPECT_EQ(fader->knobPosition(), c.end);
        EXPECT_EQ(fader->valueLeft(), c.end == 41 ? 100 : 0);
        EXPECT_EQ(fader->valueRight(), c.end == 41 ? 0 : 100);
    }
}

TEST_F(CrossFaderTest, PressingTheRunningDirectionAgainDoublesTheStep) {
    pressAutoFade(1);
    timer->step();
    EXPECT_EQ(fader->knobPosition(), 114);
    pressAutoFade(1);
    EXPECT_EQ(fader->fadeStep(), 2);
    timer->step();
    EXPECT_EQ(fader->knobPosition(), 116);
    pressAutoFade(1);
    EXPECT_EQ(fader->fadeStep(), 4);
    timer->step();
    EXPECT_EQ(fader->knobPosition(), 120);

    // The other direction starts a new glide at the speed's own step.
    pressAutoFade(0);
    EXPECT_EQ(fader->fadeStep(), 1);
    timer->step();
    EXPECT_EQ(fader->knobPosition(), 119);

    // Touching the knob or the surface stops the glide.
    pressAt(90);
    EXPECT_FALSE(fader->fading());
    pressAutoFade(0);
    QTest::mousePress(fader.get(), Qt::LeftButton, {}, knobCentre());
    EXPECT_FALSE(fader->fading());
    QTest::mouseRelease(fader.get(), Qt::LeftButton, {}, knobCentre());
}

TEST_F(CrossFaderTest, DraggingTheKnobSnapsToTheCentreAndStaysInRange) {
    const QPoint grip = knobCentre();
    QTest::mousePress(fader.get(), Qt::LeftButton, {}, grip);
    const struct {
        int dx;
        int position;
    } moves[] = {{-1, 113}, {-2, 111}, {2, 115}, {1, 113}, {-500, 41}, {500, 185}, {30, 143}};
    for (const auto& m : moves) {
        QTest::mouseMove(fader.get(), grip + QPoint(m.dx, 0));
        EXPECT_EQ(fader->knobPosition(), m.position) << m.dx;
    }
    QTest::mouseRelease(fader.get(), Qt::LeftButton, {}, grip + QPoint(30, 0));
    QTest::mouseMove(fader.get(), grip);
    EXPECT_EQ(fader->knobPosition(), 143);

    // A double-click on the knob centres it; the wheel does nothing.
    QWheelEvent wheel(QPointF(knobCentre()), QPointF(fader->mapToGlobal(knobCentre())), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(fader.get(), &wheel);
    EXPECT_EQ(fader->knobPosition(), 143);
    QTest::mouseDClick(fader.get(), Qt::LeftButton, {}, knobCentre());
    EXPECT_EQ(fader->knobPosition(), 113);
    EXPECT_EQ(fader->valueLeft(), 100);
    EXPECT_EQ(fader->valueRight(), 100);
}

TEST_F(CrossFaderTest, ReverseCentreAndLabels) {
    pressAt(60);
    fader->xfReverse();
    EXPECT_EQ(fader->knobPosition(), 166);
    EXPECT_EQ(fader->valueLeft(), 26);
    fader->centerFader();
    EXPECT_EQ(fader->knobPosition(), 113);
    fader->setXFLabel(0, "Line 3");
    fader->setXFLabel(1, "Line 12");
    EXPECT_EQ(fader->xfLabel(0), "Line 3");
    EXPECT_EQ(fader->xfLabel(1), "Line 12");
    fader->setXFLabel(1, "");
    EXPECT_EQ(fader->xfLabel(1), "");
}

} // namespace
} // namespace klv::test

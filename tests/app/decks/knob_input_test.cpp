#include "app/decks/knob_input.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klv::app {
namespace {

// A control that writes down what the base hands it.
class RecordingKnob final : public KnobInput {
public:
    RecordingKnob() { resize(60, 120); }
    std::vector<std::string> seen;

protected:
    void leftPressed(const QPoint& p) override { seen.push_back(at("press", p)); }
    void leftMoved(const QPoint& p) override { seen.push_back(at("move", p)); }
    void leftReleased(const QPoint& p) override { seen.push_back(at("release", p)); }
    void rightPressed(const QPoint& p) override { seen.push_back(at("right", p)); }
    void doubleClicked(int32_t mode, const QPoint& p) override {
        seen.push_back(at("double" + std::to_string(mode), p));
    }

private:
    static std::string at(const std::string& what, const QPoint& p) {
        return what + "@" + std::to_string(p.x()) + "," + std::to_string(p.y());
    }
};

void turnWheel(QWidget& widget, const QPoint& at, int delta) {
    QWheelEvent event(QPointF(at), QPointF(widget.mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

TEST(KnobInput, WheelNotchesArriveAsDoubleClickModes) {
    const struct {
        std::vector<int> deltas;
        std::vector<std::string> expected;
    } cases[] = {
        {{120}, {"double1@10,20"}},                  // away from the user: up
        {{-120}, {"double2@10,20"}},                 // towards the user: down
        {{240}, {"double1@10,20", "double1@10,20"}}, // two notches at once
        {{40, 40}, {}},                              // a fine wheel, not a notch yet
        {{40, 40, 40}, {"double1@10,20"}},           // ...until it adds up
        {{-60, 60}, {}},                             // half there and back
        {{-60, -60, 120}, {"double2@10,20", "double1@10,20"}},
        {{120, -120}, {"double1@10,20", "double2@10,20"}},
    };
    for (const auto& c : cases) {
        RecordingKnob knob;
        for (int delta : c.deltas)
            turnWheel(knob, QPoint(10, 20), delta);
        EXPECT_EQ(knob.seen, c.expected) << c.deltas.size() << " turns";
    }
}

TEST(KnobInput, DragReportsPressMovesAndReleaseOnlyWhileHeld) {
    RecordingKnob knob;
    knob.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&knob));
    QTest::mouseMove(&knob, QPoint(5, 5)); // not held: nobody hears it
    QTest::mousePress(&knob, Qt::LeftButton, {}, QPoint(30, 50));
    EXPECT_TRUE(knob.held());
    QTest::mouseMove(&knob, QPoint(30, 40));
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_FALSE(knob.held());
    QTest::mouseClick(&knob, Qt::RightButton, {}, QPoint(8, 9));
    const std::vector<std::string> expected = {"press@30,50", "move@30,40", "release@30,40",
                                               "right@8,9"};
    EXPECT_EQ(knob.seen, expected);
}

TEST(KnobInput, TwoQuickPressesStayTwoPressesAndARealDoubleClickIsModeZero) {
    RecordingKnob knob;
    knob.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&knob));
    QWindow* window = knob.windowHandle();
    ASSERT_NE(window, nullptr);
    // Through the window, as the platform delivers them: press, release, press, release within
    // the double-click interval, which Qt turns into a double-click.
    QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(20, 30));
    const std::vector<std::string> expected = {"press@20,30", "release@20,30", "press@20,30",
                                               "double0@20,30", "release@20,30"};
    EXPECT_EQ(knob.seen, expected);
}

TEST(KnobInput, RightDoubleClickIsNoDoubleClickOfTheKnob) {
    RecordingKnob knob;
    knob.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&knob));
    QTest::mouseDClick(knob.windowHandle(), Qt::RightButton, {}, QPoint(4, 4));
    const std::vector<std::string> expected = {"right@4,4", "right@4,4"};
    EXPECT_EQ(knob.seen, expected);
}

} // namespace
} // namespace klv::app

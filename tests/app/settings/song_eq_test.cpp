#include "app/settings/song_eq.h"

#include "tests/app/support/app_test_support.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace klv::app {
namespace {

// The middle of band's area, where the user points at it.
QPoint bandPoint(int band, int y = 20) {
    return QPoint(4 + 17 * band + 8, y);
}

void turnWheel(QWidget& widget, const QPoint& at, int notches) {
    QWheelEvent event(QPointF(at), QPointF(widget.mapToGlobal(at)), QPoint(),
                      QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&widget, &event);
}

class SongEqTest : public testing::Test {
protected:
    SongEqTest() : reports(&eq, &SongEq::eqChanged) {
        QObject::connect(&eq, &SongEq::eqChanged,
                         [this](int32_t band, float level) { changes.emplace_back(band, level); });
        eq.show();
    }

    SongEq eq;
    QSignalSpy reports;
    std::vector<std::pair<int32_t, float>> changes;
};

TEST_F(SongEqTest, SetBandPlacesTheKnobQuietly) {
    const struct {
        int32_t band;
        int32_t halfSteps;
        int changedBand; // -1: nothing changes
        int position;
    } cases[] = {
        {0, 18, 0, 1}, {4, -18, 4, 37}, {2, 30, 2, 1}, {1, -40, 1, 37},
        {3, 4, 3, 15}, {2, 0, 2, 19},   {5, 3, -1, 0}, {-1, 3, -1, 0},
    };
    for (const auto& c : cases) {
        SongEq fresh;
        fresh.setBand(c.band, c.halfSteps);
        for (int band = 0; band < SongEq::kBands; ++band) {
            const int expected = band == c.changedBand ? c.position : SongEq::kZero;
            EXPECT_EQ(fresh.position(band), expected) << c.band << "/" << c.halfSteps;
        }
    }
    eq.setBand(1, 7);
    EXPECT_FLOAT_EQ(eq.level(1), 3.5f);
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(SongEqTest, DraggingAKnobFollowsThePointerAndReportsEveryMove) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&eq));
    eq.setBand(2, 0);
    const QPoint grip = eq.knobRect(2).center();
    QTest::mousePress(&eq, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&eq, grip + QPoint(0, -6));
    EXPECT_EQ(eq.position(2), 13);
    QTest::mouseMove(&eq, grip + QPoint(3, -500)); // far above the control
    EXPECT_EQ(eq.position(2), SongEq::kTop);
    QTest::mouseMove(&eq, grip + QPoint(0, 500)); // far below
    EXPECT_EQ(eq.position(2), SongEq::kBottom);
    QTest::mouseMove(&eq, grip + QPoint(0, -500));
    QTest::mouseRelease(&eq, Qt::LeftButton, {}, grip + QPoint(0, -500));
    QTest::mouseMove(&eq, grip); // released: the knob stays
    const std::vector<std::pair<int32_t, float>> expected = {
        {2, 3.0f}, {2, 9.0f}, {2, -9.0f}, {2, 9.0f}};
    EXPECT_EQ(changes, expected);
    EXPECT_FLOAT_EQ(eq.level(2), 9.0f);
    EXPECT_EQ(eq.position(1), SongEq::kZero);
}

TEST_F(SongEqTest, PressBesideTheKnobsMovesNothing) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&eq));
    QTest::mousePress(&eq, Qt::LeftButton, {}, QPoint(1, 44));
    QTest::mouseMove(&eq, QPoint(1, 2));
    QTest::mouseRelease(&eq, Qt::LeftButton, {}, QPoint(1, 2));
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(SongEqTest, WheelStepsHalfAUnitWithinNineAndDoubleClickResets) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&eq));
    turnWheel(eq, bandPoint(0), 1);
    EXPECT_FLOAT_EQ(eq.level(0), 0.5f);
    turnWheel(eq, bandPoint(4), -3);
    EXPECT_FLOAT_EQ(eq.level(4), -1.5f);
    for (int i = 0; i < 40; ++i)
        turnWheel(eq, bandPoint(1), 1);
    EXPECT_FLOAT_EQ(eq.level(1), 9.0f);
    for (int i = 0; i < 60; ++i)
        turnWheel(eq, bandPoint(1), -1);
    EXPECT_FLOAT_EQ(eq.level(1), -9.0f);
    EXPECT_EQ(changes.back(), std::make_pair(1, -9.0f)); // reported even where it stops

    const auto before = reports.count();
    turnWheel(eq, QPoint(86, 20), 1); // right of the bands
    turnWheel(eq, QPoint(40, 46), 1); // below them
    EXPECT_EQ(reports.count(), before);

    QTest::mouseDClick(eq.windowHandle(), Qt::LeftButton, {}, bandPoint(1, 44));
    EXPECT_FLOAT_EQ(eq.level(1), 0.0f);
    EXPECT_EQ(changes.back(), std::make_pair(1, 0.0f));
    EXPECT_FLOAT_EQ(eq.level(4), -1.5f);
}

TEST_F(SongEqTest, MenuFlattensOrHides) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&eq));
    QSignalSpy hides(&eq, &SongEq::hideRequested);
    eq.setBand(0, 6);
    eq.setBand(3, -11);
    test::keepScreenshot(eq, "song-eq.png");
    QTest::mouseClick(&eq, Qt::RightButton, {}, QPoint(40, 40));
    ASSERT_TRUE(eq.menu()->isVisible());
    const QList<QAction*> actions = eq.menu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "Hide Equalizer");
    EXPECT_EQ(actions[1]->text(), "Flatten EQ");
    actions[1]->trigger();
    for (int band = 0; band < SongEq::kBands; ++band)
        EXPECT_EQ(eq.position(band), SongEq::kZero);
    EXPECT_EQ(reports.count(), 5); // every band reported, changed or not
    actions[0]->trigger();
    EXPECT_EQ(hides.count(), 1);
}

} // namespace
} // namespace klv::app

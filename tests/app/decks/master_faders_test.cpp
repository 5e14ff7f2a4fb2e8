// The master section's faders, join, mute and headphone level, heard on the engine's output.

#include "tests/app/decks/master_audio_support.h"
#include "tests/app/decks/master_test_fixture.h"

#include <QKeyEvent>

namespace klv::test {
namespace {

using app::MasterSection;
using Button = MasterSection::Button;

class MasterFadersTest : public MasterTest {};

TEST_F(MasterFadersTest, KnobTopsGiveTheFaderLaw) {
    MasterSection& s = build();
    const struct {
        int top;
        float gain;
    } cases[] = {{299, 0.0f}, {259, 0.5f}, {219, 1.0f}, {199, 1.5f},
                 {179, 2.0f}, {100, 2.0f}, {400, 0.0f}};
    for (const auto& c : cases) {
        s.setVal(0, c.top - s.faderTop(0));
        EXPECT_FLOAT_EQ(s.leftGain(), c.gain) << c.top;
        // Joined at the first start: the right fader follows.
        EXPECT_EQ(s.faderTop(1), s.faderTop(0)) << c.top;
        EXPECT_FLOAT_EQ(s.rightGain(), c.gain) << c.top;
    }
}

TEST_F(MasterFadersTest, JointMasterDraggedToTheTopDoublesBothChannelsOfTheOutput) {
    ConstantLine line;
    MasterSection& s = build();
    const double unity = line.settledLevel(0);
    ASSERT_GT(unity, 0.3);

    drag(knobPoint(0), knobPoint(0) + QPoint(0, -200));
    EXPECT_EQ(s.faderTop(0), 179);
    EXPECT_EQ(s.faderTop(1), 179);
    EXPECT_FLOAT_EQ(s.leftGain(), 2.0f);
    EXPECT_FLOAT_EQ(s.rightGain(), 2.0f);
    EXPECT_NEAR(line.settledLevel(0), 2.0 * unity, 0.01);
    const std::vector<int16_t> played = platform::wavetest::played(0);
    EXPECT_EQ(played[played.size() - 1], played[played.size() - 2]) << "right follows left";
}

TEST_F(MasterFadersTest, MasterMuteSilencesTheMainOutputButNeverTheHeadphones) {
    ConstantLine line;
    MasterSection& s = build();
    const double main = line.settledLevel(0);
    const double phones = line.settledLevel(1);
    ASSERT_GT(main, 0.3);
    ASSERT_GT(phones, 0.3);

    clickButton(Button::Mute);
    ASSERT_TRUE(s.muted());
    EXPECT_EQ(line.settledLevel(0), 0.0);
    EXPECT_NEAR(line.settledLevel(1), phones, 0.01);

    // The headphone knob still works while the master is muted: half way down, half level.
    drag(knobPoint(2), knobPoint(2) + QPoint(0, 40));
    EXPECT_EQ(s.headphoneTop(), 263);
    EXPECT_FLOAT_EQ(s.headphoneGain(), 0.5f);
    EXPECT_NEAR(line.settledLevel(1), phones / 2, 0.01);
    EXPECT_EQ(line.settledLevel(0), 0.0);

    // Moving a master fader while muted keeps the output silent; unmuting brings it back.
    s.setVal(0, -20);
    EXPECT_EQ(line.settledLevel(0), 0.0);
    clickButton(Button::Mute);
    EXPECT_FALSE(s.muted());
    EXPECT_NEAR(line.settledLevel(0), main * 1.5, 0.01);
}

TEST_F(MasterFadersTest, JoinCopiesTheLeftFaderWhenTurnedOnAndLetsThemApartWhenOff) {
    MasterSection& s = build();
    ASSERT_TRUE(s.joint());
    clickButton(Button::Join);
    EXPECT_FALSE(s.joint());
    s.setVal(0, 40);
    s.setVal(1, -20);
    EXPECT_EQ(s.faderTop(0), 259);
    EXPECT_EQ(s.faderTop(1), 199);
    EXPECT_FLOAT_EQ(s.rightGain(), 1.5f);

    clickButton(Button::Join);
    EXPECT_TRUE(s.joint());
    EXPECT_EQ(s.faderTop(1), 259);
    EXPECT_FLOAT_EQ(s.rightGain(), 0.5f);
}

TEST_F(MasterFadersTest, KnobGesturesOnTheBars) {
    MasterSection& s = build();
    clickButton(Button::Join); // apart, so each bar shows its own effect
    const QPoint leftBar = MasterSection::faderBar(0).center();
    const QPoint rightBar = MasterSection::faderBar(1).center();

    // A press on the bar centres the knob on the pointer.
    click(QPoint(leftBar.x(), 270));
    EXPECT_EQ(s.faderTop(0), 260);
    // Dragged close to unity the knob snaps to it.
    drag(knobPoint(0), knobPoint(0) + QPoint(0, 218 - 260));
    EXPECT_EQ(s.faderTop(0), 219);
    drag(knobPoint(0), knobPoint(0) + QPoint(0, 1));
    EXPECT_EQ(s.faderTop(0), 219);
    drag(knobPoint(0), knobPoint(0) + QPoint(0, 3));
    EXPECT_EQ(s.faderTop(0), 222);

    // Wheel: away 3 up, towards 3 down; a double-click returns to unity.
    turnWheel(rightBar, 1);
    EXPECT_EQ(s.faderTop(1), 216);
    turnWheel(rightBar, -2);
    EXPECT_EQ(s.faderTop(1), 222);
    QTest::mouseDClick(&s, Qt::LeftButton, {}, knobPoint(0));
    EXPECT_EQ(s.faderTop(0), 219);
    EXPECT_EQ(s.faderTop(1), 222);

    // The headphone knob has no detent and rests at full level.
    drag(knobPoint(2), knobPoint(2) + QPoint(0, 1));
    EXPECT_EQ(s.headphoneTop(), 224);
    turnWheel(MasterSection::faderBar(2).center(), 3);
    EXPECT_EQ(s.headphoneTop(), 223);
    turnWheel(MasterSection::faderBar(2).center(), -40);
    EXPECT_EQ(s.headphoneTop(), 303);
    EXPECT_FLOAT_EQ(s.headphoneGain(), 0.0f);
    QTest::mouseDClick(&s, Qt::LeftButton, {}, MasterSection::faderBar(2).center());
    EXPECT_EQ(s.headphoneTop(), 223);
}

TEST_F(MasterFadersTest, HeadphoneControlsOnlyWithTheSecondaryDevice) {
    options().UseSecondary = 0;
    MasterSection& s = build();
    const QPoint bar = MasterSection::faderBar(2).center();
    click(bar);
    turnWheel(bar, -5);
    EXPECT_EQ(s.headphoneTop(), 223);
    click(MasterSection::buttonRect(Button::HeadphoneMode).center());
    EXPECT_EQ(options().HeadphoneMode, 0);
}

TEST_F(MasterFadersTest, HeadphoneModeCyclesAndReachesTheEngineAtOnce) {
    build();
    const int expected[] = {1, 2, 0, 1};
    for (int mode : expected) {
        clickButton(Button::HeadphoneMode);
        EXPECT_EQ(options().HeadphoneMode, mode);
        OptionsRecord stored{};
        ASSERT_EQ(klvGetReg("Settings", "Options", &stored, sizeof stored), KLV_OPTIONS_SIZE);
        EXPECT_EQ(stored.HeadphoneMode, mode);
    }
}

TEST_F(MasterFadersTest, Keys) {
    MasterSection& s = build();
    s.setFocus();
    QTest::keyClick(&s, Qt::Key_Up);
    EXPECT_EQ(s.faderTop(0), 215);
    EXPECT_EQ(s.faderTop(1), 215);
    clickButton(Button::Join); // apart: Up moves both by itself
    QTest::keyClick(&s, Qt::Key_Down);
    QTest::keyClick(&s, Qt::Key_Down);
    EXPECT_EQ(s.faderTop(0), 223);
    EXPECT_EQ(s.faderTop(1), 223);
    QTest::keyClick(&s, Qt::Key_Space);
    EXPECT_TRUE(s.muted());
    QTest::keyClick(&s, Qt::Key_Space);
    EXPECT_FALSE(s.muted());
    QTest::keyClick(&s, Qt::Key_Left);
    QTest::keyClick(&s, Qt::Key_Right);
    const std::vector<std::pair<int, int>> moves = {{-1, -1}, {-1, 1}};
    EXPECT_EQ(desk.focusMoves, moves);
}

TEST_F(MasterFadersTest, StoredFadersComeBackClampedAndJoinedAsStored) {
    const struct {
        const char* joint;
        const char* fader1;
        const char* fader2;
        const char* fader3;
        int left, right, phones;
    } cases[] = {
        {"0", "199", "400", "250", 199, 299, 250},
        {"0", "10", "259", "500", 179, 259, 303},
        {"1", "239", "400", "0", 239, 239, 223},
    };
    for (const auto& c : cases) {
        app::setRegText("Settings", "Joint", c.joint);
        app::setRegText("Settings", "Fader 1", c.fader1);
        app::setRegText("Settings", "Fader 2", c.fader2);
        app::setRegText("Settings", "Fader 3", c.fader3);
        app::setRegText("Settings", "Mute", "1");
        app::MasterSection s(desk);
        s.init();
        EXPECT_EQ(s.faderTop(0), c.left) << c.fader1;
        EXPECT_EQ(s.faderTop(1), c.right) << c.fader2;
        EXPECT_EQ(s.headphoneTop(), c.phones) << c.fader3;
        EXPECT_TRUE(s.muted());
    }

    // What CleanUp stores is what the next Init finds.
    {
        app::MasterSection s(desk);
        s.init();
        s.setVal(0, 7);
        s.cleanUp();
    }
    EXPECT_EQ(app::getRegText("Settings", "Fader 1", ""), "246");
    EXPECT_EQ(app::getRegText("Settings", "Fader 2", ""), "246");
    EXPECT_EQ(app::getRegText("Settings", "Joint", ""), "1");
    EXPECT_EQ(app::getRegText("Settings", "Mute", ""), "1");
    EXPECT_EQ(app::getRegText("Settings", "Fader 3", ""), "223");
}

} // namespace
} // namespace klv::test

// The master section's push buttons, lock button, meters and clock.

#include "app/decks/surface_view.h"
#include "app/decks/vu_window.h"
#include "app/settings/feature_lock.h"
#include "app/settings/password_scramble.h"
#include "tests/app/decks/master_test_fixture.h"

#include <QDate>
#include <QLocale>

namespace klv::test {
namespace {

using app::MasterSection;
using Button = MasterSection::Button;

class MasterSectionTest : public MasterTest {
protected:
    ~MasterSectionTest() override {
        app::featureLock().setAskPassword({});
        options().LockEnabled = 0;
        app::featureLock().authenticate(false);
    }
    // A venue's lock with password "secret"; the password box answers with answer.
    void lockWith(const QString& answer) {
        app::setRegText("Install", "Admin Password", app::scramblePassword("secret").toStdString());
        options().LockEnabled = 1;
        app::featureLock().setAskPassword([this, answer](const QString&) {
            ++passwordAsks;
            return answer;
        });
    }
    int passwordAsks = 0;
};

TEST_F(MasterSectionTest, ButtonsOpenTheirWindowsOnReleaseInside) {
    build();
    clickButton(Button::Options);
    clickButton(Button::Plugins);
    clickButton(Button::Navigator);
    clickButton(Button::FullScreen);
    EXPECT_EQ(desk.optionsShown, 1);
    EXPECT_EQ(desk.pluginManagerShown, 1);
    EXPECT_EQ(desk.navigatorToggles, 1);
    EXPECT_TRUE(desk.full);
    clickButton(Button::FullScreen);
    EXPECT_FALSE(desk.full);

    // A press that leaves the button before its release does nothing.
    const QRect options = MasterSection::buttonRect(Button::Options);
    QTest::mousePress(section.get(), Qt::LeftButton, {}, options.center());
    QTest::mouseMove(section.get(), options.bottomRight() + QPoint(5, 5));
    QTest::mouseRelease(section.get(), Qt::LeftButton, {}, options.bottomRight() + QPoint(5, 5));
    EXPECT_EQ(desk.optionsShown, 1);
    EXPECT_TRUE(desk.owner()->isEnabled());

    clickButton(Button::Help);
    const auto help = headless.system.helpRequests();
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].command, KLV_HELP_FINDER);
}

TEST_F(MasterSectionTest, LockedOptionsAndPluginsAskForThePassword) {
    build();
    lockWith("wrong");
    options().LockOptions = 1;
    options().LockPlugins = 0;
    clickButton(Button::Options);
    EXPECT_EQ(desk.optionsShown, 0);
    EXPECT_EQ(passwordAsks, 1);
    clickButton(Button::Plugins);
    EXPECT_EQ(desk.pluginManagerShown, 1) << "plug-ins are not guarded";

    options().LockPlugins = 1;
    clickButton(Button::Plugins);
    EXPECT_EQ(desk.pluginManagerShown, 1);
    const auto boxes = headless.system.boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "Password Required to Manage Plugins");

    // The right password opens everything until the lock button locks again.
    lockWith("secret");
    clickButton(Button::Plugins);
    clickButton(Button::Options);
    EXPECT_EQ(desk.pluginManagerShown, 2);
    EXPECT_EQ(desk.optionsShown, 1);
    EXPECT_EQ(passwordAsks, 3);
    clickButton(Button::Lock);
    EXPECT_TRUE(app::featureLock().locked());
    clickButton(Button::Options);
    EXPECT_EQ(passwordAsks, 4);
    EXPECT_EQ(desk.optionsShown, 2);
}

TEST_F(MasterSectionTest, LockButtonWithoutFeatureLockingSaysHowToSetItUp) {
    build();
    options().LockEnabled = 0;
    clickButton(Button::Lock);
    const auto boxes = headless.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "You must configure Feature Locking in the Options dialog in order to lock KLV");
}

TEST_F(MasterSectionTest, FullScreenMetersComeBackToTheSectionOnAnyKey) {
    MasterSection& s = build();
    s.startMeters();
    ASSERT_EQ(klvStartVU(s.lcdWindow(), s.lcdDC(), s.lcdWidth(), s.lcdHeight()), -1)
        << "the meters run on the section";
    EXPECT_EQ(s.lcdWidth(), 178);
    EXPECT_EQ(s.lcdHeight(), 69);

    QTest::mouseDClick(s.vuPicture(), Qt::LeftButton, {}, QPoint(20, 20));
    app::VuWindow* window = s.fullScreenVu();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->geometry(), window->screen()->geometry());
    EXPECT_EQ(window->cursor().shape(), Qt::BlankCursor);
    // The engine draws on the whole window now: its black bands and the picture between.
    QTRY_VERIFY(window->picture()->snapshot().pixelColor(5, 5) == QColor(Qt::black));
    keepScreenshot(*window, "master_full_screen_vu.png");

    QTest::keyClick(window, Qt::Key_A);
    QTRY_VERIFY(s.fullScreenVu() == nullptr);
    EXPECT_EQ(klvStartVU(s.lcdWindow(), s.lcdDC(), s.lcdWidth(), s.lcdHeight()), -1)
        << "the meters are back on the section";

    // A mouse press closes it too.
    QTest::mouseDClick(s.vuPicture(), Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_NE(s.fullScreenVu(), nullptr);
    QTest::mouseClick(s.fullScreenVu()->picture(), Qt::LeftButton, {}, QPoint(300, 300));
    QTRY_VERIFY(s.fullScreenVu() == nullptr);

    // Going to another window closes it as well.
    QTest::mouseDClick(s.vuPicture(), Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_NE(s.fullScreenVu(), nullptr);
    QApplication::setActiveWindow(s.fullScreenVu());
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    QTRY_VERIFY(s.fullScreenVu() == nullptr);
    EXPECT_EQ(klvStartVU(s.lcdWindow(), s.lcdDC(), s.lcdWidth(), s.lcdHeight()), -1);
    klvStopVU();
}

TEST_F(MasterSectionTest, ClockDrawsWhileShownAndGivesTheDateAsTooltip) {
    options().LCDBackColor = 0x000000;
    options().LCDLitColor = 0x00FF00;
    options().LCDDimColor = 0x002000;
    klvSaveOptions(&options());
    MasterSection& s = build();
    EXPECT_TRUE(clock->isActive());
    const QImage drawn = s.clockPicture()->snapshot();
    int lit = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            lit += drawn.pixelColor(x, y) == QColor(0, 255, 0) ? 1 : 0;
    EXPECT_GT(lit, 10);
    EXPECT_EQ(s.clockPicture()->toolTip(),
              QLocale().toString(QDate::currentDate(), QLocale::LongFormat));

    options().ShowClock = 0;
    options().BackColor = 0x102030;
    s.updateLayout();
    EXPECT_FALSE(clock->isActive());
    EXPECT_EQ(s.clockPicture()->snapshot().pixelColor(3, 3), QColor(0x30, 0x20, 0x10));
}

TEST_F(MasterSectionTest, Screenshot) {
    options().UseSecondary = 1;
    MasterSection& s = build();
    s.startMeters();
    s.setVal(0, -12);
    ASSERT_EQ(s.faderTop(0), 207);

    QImage shot;
    qreal dpr = 1;
    const auto at = [&](int x, int y) { return shot.pixelColor(QPoint(x, y) * dpr); };
    // Silent meters: every segment in the options' dim colour, drawn by the engine's thread.
    const QColor dim(options().LCDDimColor & 0xFF, (options().LCDDimColor >> 8) & 0xFF,
                     (options().LCDDimColor >> 16) & 0xFF);
    const auto dimPixels = [&] {
        shot = s.grab().toImage();
        dpr = shot.devicePixelRatio();
        int count = 0;
        const QRect vu = MasterSection::vuRect();
        for (int y = vu.top(); y <= vu.bottom(); ++y)
            for (int x = vu.left(); x <= vu.right(); ++x)
                count += at(x, y) == dim ? 1 : 0;
        return count;
    };
    QTRY_VERIFY(dimPixels() > 500);
    keepScreenshot(s, "master_section.png");
    klvStopVU();

    // Both joined master knobs stand where setVal put them: the knob's light face just below
    // its top, the bar's dark groove where the knob stood at unity.
    for (int index : {0, 1}) {
        const int x = MasterSection::faderBar(index).center().x();
        EXPECT_GT(at(x, 209).lightness(), 120) << index;
        EXPECT_LT(at(x, 233).lightness(), 60) << index;
    }
    // The headphone mode's caption, lit amber, with the secondary device.
    const QRect mode = MasterSection::buttonRect(Button::HeadphoneMode);
    int amber = 0;
    for (int y = mode.top(); y <= mode.bottom(); ++y)
        for (int x = mode.left(); x <= mode.right(); ++x) {
            const QColor c = at(x, y);
            amber += c.red() > 200 && c.green() > 120 && c.green() < 200 && c.blue() < 100 ? 1 : 0;
        }
    EXPECT_GT(amber, 10);
}

} // namespace
} // namespace klv::test

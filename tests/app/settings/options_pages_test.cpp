// The options dialog's pages: what they show for stored values, how each control writes the
// working copy, the enabling rules, page selection by mouse and keys, the colour page and the
// feature lock page, keyboard reach, size, and a picture of every page.

#include "app/settings/feature_lock.h"
#include "app/settings/options_color_page.h"
#include "app/settings/options_color_widgets.h"
#include "app/settings/options_lock_page.h"
#include "app/settings/options_page_list.h"
#include "app/settings/options_values.h"
#include "app/settings/password_scramble.h"
#include "app/shell/registry_text.h"
#include "tests/app/settings/options_test_support.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>

#include <deque>
#include <functional>
#include <set>
#include <string>

namespace klv::test {
namespace {

using app::kPageAudioDevices;
using app::kPageColors;
using app::kPageFeatureLock;
using app::kPageGeneral;

TEST_F(OptionsFixture, StoredValuesShowAsTheirEntries) {
    struct Case {
        const char* what;
        void (*set)(OptionsRecord&);
        const char* control;
        const char* shows;
    };
    const Case cases[] = {
        {"OverSample 3", [](OptionsRecord& r) { r.OverSample = 3; }, "cmbOSamp", "8x (87%)"},
        {"OverSample 0", [](OptionsRecord& r) { r.OverSample = 0; }, "cmbOSamp", "4x (75%)"},
        {"Reopen 4", [](OptionsRecord& r) { r.Reopen = 4; }, "opReopen",
         "Files on &Local Hard Disk Only"},
        {"Reopen 2", [](OptionsRecord& r) { r.Reopen = 2; }, "opReopen",
         "All &Files Previously Opened"},
        {"ConfirmExit 2", [](OptionsRecord& r) { r.ConfirmExit = 2; }, "opConfirmExit",
         "N&ever Confirm"},
        {"TimeScale 0", [](OptionsRecord& r) { r.TimeScale = 0; }, "opTimeScale",
         "Adjust Speed and &Pitch (Faster)"},
        {"PitchRange 5", [](OptionsRecord& r) { r.PitchRange = 5; }, "cmbPercent", "16 Percent"},
        {"FadeSpeed 9", [](OptionsRecord& r) { r.FadeSpeed = 9; }, "cmbFadeSpeed", "Ludicrous"},
        {"XFade 0", [](OptionsRecord& r) { r.XFade = 0; }, "cmbXFade", "No Crossfade"},
        {"XFade 1", [](OptionsRecord& r) { r.XFade = 1; }, "cmbXFade", "1 Second"},
        {"XFade 10", [](OptionsRecord& r) { r.XFade = 10; }, "cmbXFade", "10 Seconds"},
        {"NumLines 2", [](OptionsRecord& r) { r.NumLines = 2; }, "cmbNumLines", "2"},
        {"SilenceThreshold 15", [](OptionsRecord& r) { r.SilenceThreshold = 15; }, "lblThreshold",
         "1.5%"},
        {"PrimaryDevice 1", [](OptionsRecord& r) { r.PrimaryDevice = 1; }, "cmbPrimaryDevice",
         "ID 1: Test Output 1"},
        {"PrimaryDevice gone", [](OptionsRecord& r) { r.PrimaryDevice = 7; }, "cmbPrimaryDevice",
         "ID 0: Test Output 0"},
        {"QueueName1", [](OptionsRecord& r) { app::putOptionText(r.QueueName1, 40, "  Hits"); },
         "txtQueueName1", "Hits"},
        {"NavDir", [](OptionsRecord& r) { app::putOptionText(r.NavDir, 80, "/srv/music"); },
         "txtNavDir", "/srv/music"},
    };
    const OptionsRecord defaults = live();
    for (const Case& c : cases) {
        live() = defaults;
        c.set(live());
        open();
        EXPECT_EQ(shown(c.control).toStdString(), c.shows) << c.what;
        EXPECT_FALSE(dialog().applyButton()->isEnabled()) << c.what;
    }
    // A device that is gone becomes the first one in the copy.
    EXPECT_EQ(dialog().workingCopy().PrimaryDevice, 0);
}

TEST_F(OptionsFixture, EveryControlWritesTheCopyAndEnablesApply) {
    struct Case {
        const char* control;
        std::function<void(QWidget*)> act;
        std::function<bool(const OptionsRecord&)> holds;
    };
    auto click = [](QWidget* w) { static_cast<QAbstractButton*>(w)->click(); };
    auto pick = [](int index) {
        return [index](QWidget* w) { static_cast<QComboBox*>(w)->setCurrentIndex(index); };
    };
    auto type = [](const char* text) {
        return [text](QWidget* w) { static_cast<QLineEdit*>(w)->setText(QString::fromUtf8(text)); };
    };
    auto padded = [](const char* field, size_t width, const char* text) {
        std::string expected(text);
        expected.resize(width, ' ');
        return std::string(field, width) == expected;
    };
    const std::vector<Case> cases = {
        {"opReopen0", click, [](const auto& r) { return r.Reopen == 0; }},
        {"opConfirmExit2", click, [](const auto& r) { return r.ConfirmExit == 2; }},
        {"chkNoOpenPlaying", click, [](const auto& r) { return r.NoOpenPlaying == 0; }},
        {"chkNoDropPlaying", click, [](const auto& r) { return r.NoDropPlaying == 0; }},
        {"chkAutoPlay", click, [](const auto& r) { return r.AutoPlay == 1; }},
        {"chkSmallFont", click, [](const auto& r) { return r.SmallFont == 1; }},
        {"chkBold", click, [](const auto& r) { return r.Bold == 1; }},
        {"chkShowClock", click, [](const auto& r) { return r.ShowClock == 0; }},
        {"chk12hour", click, [](const auto& r) { return r.Clock12Hour == 0; }},
        {"chkPreFader", click, [](const auto& r) { return r.PreFader == 0; }},
        {"cmbNumLines", pick(0), [](const auto& r) { return r.NumLines == 2; }},
        {"chkSkipSilence", click, [](const auto& r) { return r.SkipSilence == 0; }},
        {"sldThreshold", [](QWidget* w) { static_cast<QSlider*>(w)->setValue(42); },
         [](const auto& r) { return r.SilenceThreshold == 42; }},
        {"opTimeScale0", click, [](const auto& r) { return r.TimeScale == 0; }},
        {"cmbOSamp", pick(1), [](const auto& r) { return r.OverSample == 1; }},
        {"cmbPercent", pick(2), [](const auto& r) { return r.PitchRange == 2; }},
        {"chkInvert", click, [](const auto& r) { return r.InvertPitch == 1; }},
        {"chkResetPitch", click, [](const auto& r) { return r.ResetPitch == 0; }},
        {"chkEnsureOn", click, [](const auto& r) { return r.EnsureOn == 0; }},
        {"cmbXFade", pick(10), [](const auto& r) { return r.XFade == 10; }},
        {"cmbFadeSpeed", pick(4), [](const auto& r) { return r.FadeSpeed == 4; }},
        {"chkRemQueue1", click, [](const auto& r) { return r.RemQueue1 == 0; }},
        {"chkRemQueue2", click, [](const auto& r) { return r.RemQueue2 == 1; }},
        {"chkNoDupes1", click, [](const auto& r) { return r.NoDupes1 == 0; }},
        {"chkNoDupes2", click, [](const auto& r) { return r.NoDupes2 == 0; }},
        {"txtQueueName1", type("Tonight"),
         [=](const auto& r) { return padded(r.QueueName1, 40, "Tonight"); }},
        {"txtQueueName2", type(""), [=](const auto& r) { return padded(r.QueueName2, 40, ""); }},
        {"cmbPrimaryDevice", pick(1), [](const auto& r) { return r.PrimaryDevice == 1; }},
        {"chkUseSecondary", click, [](const auto& r) { return r.UseSecondary == 1; }},
    };
    for (const Case& c : cases) {
        open();
        auto* widget = control<QWidget>(c.control);
        ASSERT_NE(widget, nullptr);
        c.act(widget);
        EXPECT_TRUE(c.holds(dialog().workingCopy())) << c.control;
        EXPECT_TRUE(dialog().applyButton()->isEnabled()) << c.control;
        EXPECT_TRUE(sameBytes(*storedOptions(), live())) << c.control; // nothing committed
    }
}

TEST_F(OptionsFixture, DependentControlsFollowTheirSwitch) {
    struct Case {
        const char* toggle;
        const char* on; // what turns the dependants on (the toggle itself for a check box)
        std::vector<const char*> dependants;
    };
    const std::vector<Case> cases = {
        {"chkSkipSilence", "chkSkipSilence", {"sldThreshold", "lblThreshold"}},
        {"opTimeScale0", "opTimeScale1", {"cmbOSamp"}},
        {"chkShowClock", "chkShowClock", {"chk12hour"}},
    };
    open();
    for (const Case& c : cases) {
        for (const char* d : c.dependants)
            EXPECT_TRUE(control<QWidget>(d)->isEnabled()) << d << " with the defaults";
        control<QAbstractButton>(c.toggle)->click();
        for (const char* d : c.dependants)
            EXPECT_FALSE(control<QWidget>(d)->isEnabled()) << d << " after " << c.toggle;
        control<QAbstractButton>(c.on)->click();
        for (const char* d : c.dependants)
            EXPECT_TRUE(control<QWidget>(d)->isEnabled()) << d << " after " << c.on;
    }
    // Stored off, they open disabled.
    live().SkipSilence = 0;
    live().TimeScale = 0;
    live().ShowClock = 0;
    open();
    for (const char* d : {"sldThreshold", "cmbOSamp", "chk12hour"})
        EXPECT_FALSE(control<QWidget>(d)->isEnabled()) << d;
}

TEST_F(OptionsFixture, TextBoxesSelectTheirWholeTextOnFocus) {
    open();
    dialog().show();
    dialog().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog()));
    dialog().selectPage(app::kPageFileNavigator);
    auto* title = control<QLineEdit>("txtQueueName2");
    title->setFocus(Qt::TabFocusReason);
    QTest::qWait(10);
    EXPECT_EQ(title->selectedText(), "Popular Songs");
    QTest::keyClicks(title, "Hits"); // typing replaces it
    EXPECT_EQ(title->text(), "Hits");
}

TEST_F(OptionsFixture, PagesAreChosenByClickAndArrowKeysWithinTheList) {
    open();
    app::PageList* list = dialog().pageList();
    dialog().show();
    EXPECT_EQ(dialog().currentPage(), kPageGeneral);
    QTest::mouseClick(list, Qt::LeftButton, {}, list->captionRect(4).center());
    EXPECT_EQ(dialog().currentPage(), 4);
    EXPECT_EQ(list->selected(), 4);
    EXPECT_TRUE(dialog().page(4)->isVisible());
    EXPECT_FALSE(dialog().page(kPageGeneral)->isVisible());

    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(dialog().currentPage(), 3);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(dialog().currentPage(), 0);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(dialog().currentPage(), kPageFeatureLock); // no lock: the last page opens freely
    EXPECT_TRUE(headless.system.boxes().empty());
}

TEST(OptionsPageList, SelectedCaptionUsesHighlightOnlyWhileTheListHasTheFocus) {
    struct Case {
        bool selected;
        bool focus;
        QPalette::ColorRole background;
        QPalette::ColorRole text;
    };
    for (const Case& c : {Case{true, true, QPalette::Highlight, QPalette::HighlightedText},
                          Case{true, false, QPalette::Button, QPalette::ButtonText},
                          Case{false, true, QPalette::Base, QPalette::Text},
                          Case{false, false, QPalette::Base, QPalette::Text}}) {
        const app::CaptionRoles roles = app::captionRoles(c.selected, c.focus);
        EXPECT_EQ(roles.background, c.background) << c.selected << c.focus;
        EXPECT_EQ(roles.text, c.text) << c.selected << c.focus;
    }
}

// The last page guards the guard: without the password it does not open.
TEST_F(OptionsFixture, FeatureLockPageNeedsThePasswordWhileLocked) {
    app::setRegText("Install", "Admin Password", app::scramblePassword("door").toStdString());
    live().LockEnabled = 1;
    std::deque<QString> answers{QString(), QStringLiteral("door")};
    app::featureLock().setAskPassword([&](const QString&) {
        QString a = answers.front();
        answers.pop_front();
        return a;
    });
    open();
    ASSERT_TRUE(dialog().selectPage(kPageColors));
    EXPECT_FALSE(dialog().selectPage(kPageFeatureLock));
    EXPECT_EQ(dialog().currentPage(), kPageColors);
    EXPECT_EQ(dialog().pageList()->selected(), kPageColors);
    auto boxes = headless.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Authentication Required");
    EXPECT_EQ(boxes[0].text, "Authentication is required to modify these options");
    EXPECT_EQ(boxes[0].flags, platform::kMbOk | platform::kMbIconInformation);

    EXPECT_TRUE(dialog().selectPage(kPageFeatureLock));
    EXPECT_EQ(dialog().currentPage(), kPageFeatureLock);
    EXPECT_EQ(headless.system.boxes().size(), 1u);
}

TEST_F(OptionsFixture, ColorPageGivesTheElementABoxOrACustomColour) {
    open();
    app::ColorPage* page = dialog().colorPage();
    app::ColorGrid* grid = page->grid();
    dialog().selectPage(kPageColors);
    dialog().show();
    // Element 0 is the text labels, grey by default: box 16 is outlined.
    EXPECT_EQ(page->element(), app::kTextLabels);
    EXPECT_EQ(grid->outlined(), 16);
    EXPECT_EQ(page->sample()->markedElement(), app::kTextLabels);

    // The sample picks by height; dragging over it follows the pointer.
    app::ColorSample* sample = page->sample();
    const double perPixel = app::kSampleHeightTwips / static_cast<double>(sample->height());
    auto yOf = [&](int twips) { return static_cast<int>(twips / perPixel); };
    QTest::mousePress(sample, Qt::LeftButton, {}, QPoint(40, yOf(500)));
    EXPECT_EQ(page->element(), app::kLitSegment);
    QMouseEvent move(QEvent::MouseMove, QPointF(40, yOf(700)), QPointF(40, yOf(700)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(sample, &move);
    EXPECT_EQ(page->element(), app::kDimSegment);
    QTest::mouseRelease(sample, Qt::LeftButton, {}, QPoint(40, yOf(700)));
    QTest::mousePress(sample, Qt::LeftButton, {}, QPoint(40, sample->height() - 2));
    EXPECT_EQ(page->element(), app::kFocusRectangle);
    EXPECT_EQ(grid->outlined(), -1);                   // the default focus green is in no box
    EXPECT_FALSE(dialog().applyButton()->isEnabled()); // choosing an element changes nothing

    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->boxRect(22).center());
    EXPECT_EQ(dialog().workingCopy().FocusColor, 0xFF0000); // pure blue
    EXPECT_EQ(grid->outlined(), 22);
    EXPECT_TRUE(dialog().applyButton()->isEnabled());
    EXPECT_EQ(live().FocusColor, 0x28DC00);

    // The keyboard reaches the boxes too.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(dialog().workingCopy().FocusColor, app::colorBoxes()[30]);

    // "C&ustom..." starts the chooser on the element's colour and takes its answer.
    page->selectElement(app::kLedBackground);
    headless.system.colorAccept = true;
    headless.system.colorAnswer = 0x00336699;
    control<QPushButton>("cmdCustom")->click();
    const auto requests = headless.system.colorRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].initial, 0u); // black LED background
    EXPECT_EQ(dialog().workingCopy().LCDBackColor, 0x00336699);
    EXPECT_EQ(grid->outlined(), -1);
}

TEST_F(OptionsFixture, FeatureLockPageSetsThePasswordAndEnablesItsBoxes) {
    std::deque<QString> answers{"door", "door"};
    app::featureLock().setAskPassword([&](const QString&) {
        QString a = answers.front();
        answers.pop_front();
        return a;
    });
    open();
    ASSERT_TRUE(dialog().selectPage(kPageFeatureLock));
    auto* password = control<QPushButton>("cmdPassword");
    auto* enabled = control<QCheckBox>("chkLockEnabled");
    auto* nav = control<QCheckBox>("chkLockNav");
    auto* folder = control<QLineEdit>("txtNavDir");
    EXPECT_EQ(password->text(), "S&et");
    EXPECT_FALSE(enabled->isEnabled());
    EXPECT_FALSE(enabled->isChecked());
    EXPECT_FALSE(control<QGroupBox>("fraFeatures")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>("chkLockOptions")->isEnabled());

    password->click();
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(password->text(), "Chang&e");
    EXPECT_TRUE(enabled->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fraFeatures")->isEnabled());
    EXPECT_TRUE(dialog().applyButton()->isEnabled());
    EXPECT_FALSE(control<QCheckBox>("chkLockOptions")->isEnabled());

    enabled->click();
    EXPECT_EQ(dialog().workingCopy().LockEnabled, 1);
    for (const char* box : {"chkLockOptions", "chkLockPlugins", "chkLockID3", "chkLockNav"})
        EXPECT_TRUE(control<QCheckBox>(box)->isEnabled()) << box;
    EXPECT_FALSE(folder->isEnabled());
    nav->click();
    EXPECT_TRUE(folder->isEnabled());
    EXPECT_TRUE(control<QPushButton>("cmdBrowse")->isEnabled());

    // "Browse..." starts at the text box's folder; an empty answer leaves it.
    QString startedAt;
    QString answer;
    dialog().lockPage()->setFolderChooser([&](QWidget*, const QString& start) {
        startedAt = start;
        return answer;
    });
    const QString before = folder->text();
    control<QPushButton>("cmdBrowse")->click();
    EXPECT_EQ(startedAt, before);
    EXPECT_EQ(folder->text(), before);
    answer = QStringLiteral("/srv/music");
    control<QPushButton>("cmdBrowse")->click();
    EXPECT_EQ(folder->text(), "/srv/music");
    std::string expected = "/srv/music";
    expected.resize(80, ' ');
    EXPECT_EQ(std::string(dialog().workingCopy().NavDir, 80), expected);
}

// Every control a page has can be reached with Tab from the page list.
TEST_F(OptionsFixture, TabReachesEveryControlOfEveryPage) {
    app::setRegText("Install", "Admin Password", app::scramblePassword("door").toStdString());
    live().LockEnabled = 1;
    live().LockNav = 1;
    app::featureLock().setAskPassword([](const QString&) { return QStringLiteral("door"); });
    open();
    dialog().show();
    dialog().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog()));
    for (int index = 0; index < app::kPageCount; ++index) {
        ASSERT_TRUE(dialog().selectPage(index));
        // Option buttons are one stop for their group: the arrow keys choose within it.
        std::set<QWidget*> wanted;
        std::set<QObject*> groups;
        for (QWidget* w : dialog().page(index)->findChildren<QWidget*>()) {
            if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
                w->focusProxy() != nullptr)
                continue;
            auto* radio = qobject_cast<QRadioButton*>(w);
            if (!radio || groups.insert(radio->group()).second)
                wanted.insert(w);
        }
        if (index != app::kPageStatusMessages) { // its boxes only show the level
            ASSERT_FALSE(wanted.empty()) << index;
        }
        dialog().pageList()->setFocus();
        std::set<QWidget*> reached;
        for (int step = 0; step < 60; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached.insert(QApplication::focusWidget());
        }
        auto reachedGroup = [&](QWidget* w) {
            auto* radio = qobject_cast<QRadioButton*>(w);
            if (!radio)
                return false;
            for (QWidget* r : reached) {
                auto* other = qobject_cast<QRadioButton*>(r);
                if (other && other->group() == radio->group())
                    return true;
            }
            return false;
        };
        for (QWidget* w : wanted)
            EXPECT_TRUE(reached.count(w) == 1 || reachedGroup(w))
                << "page " << index << ": " << w->objectName().toStdString() << " "
                << w->metaObject()->className();
        // Back in the list, the arrow keys still work.
        dialog().pageList()->setFocus();
    }
}

TEST_F(OptionsFixture, EveryPageFitsA1024By768ScreenAndIsPictured) {
    app::setRegText("Install", "Admin Password", app::scramblePassword("door").toStdString());
    live().UseSecondary = 1;
    live().SecondaryDevice = 1;
    open();
    dialog().show();
    const QSize size = dialog().frameGeometry().size();
    EXPECT_LE(size.width(), 1024);
    EXPECT_LE(size.height(), 768 - 40); // room for a panel
    for (int index = 0; index < app::kPageCount; ++index) {
        ASSERT_TRUE(dialog().selectPage(index));
        // Every page fits the space the dialog gives it.
        EXPECT_LE(dialog().page(index)->minimumSizeHint().height(), dialog().page(index)->height())
            << index;
        keepScreenshot(dialog(), QStringLiteral("options_page_%1.png").arg(index));
    }
}

} // namespace
} // namespace klv::test

namespace klv::test {
namespace {

// The captions' mnemonics reach their controls on the page shown.
TEST_F(OptionsFixture, MnemonicsFocusTheirControls) {
    struct Case {
        int page;
        Qt::Key key;
        const char* control;
    };
    const Case cases[] = {
        {app::kPageDisplay, Qt::Key_N, "cmbNumLines"},
        {app::kPageColors, Qt::Key_E, "cmbElement"},
        {app::kPageAudioDevices, Qt::Key_P, "cmbPrimaryDevice"},
        {app::kPageAudioDevices, Qt::Key_E, "chkUseSecondary"},
        {app::kPagePlayback, Qt::Key_S, "sldThreshold"},
        {app::kPagePlayback, Qt::Key_B, "cmbPercent"},
        {app::kPagePlayback, Qt::Key_Y, "cmbXFade"},
        {app::kPageCrossfader, Qt::Key_S, "cmbFadeSpeed"},
    };
    open();
    dialog().show();
    dialog().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog()));
    for (const Case& c : cases) {
        ASSERT_TRUE(dialog().selectPage(c.page));
        dialog().pageList()->setFocus();
        QTest::keyClick(&dialog(), c.key, Qt::AltModifier);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), c.control)
            << "page " << c.page;
    }
}

TEST_F(OptionsFixture, EntryPointRunsTheDialogModallyOverTheDesk) {
    QString caption;
    bool ownedByDesk = false;
    ModalResponder responder([&](QWidget* modal) {
        caption = modal->windowTitle();
        ownedByDesk = modal->parentWidget() == desk.owner();
        auto* dialog = qobject_cast<app::OptionsDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QComboBox*>("cmbFadeSpeed")->setCurrentIndex(0);
        dialog->accept();
    });
    app::showOptionsDialog(desk);
    EXPECT_EQ(caption, "KLV3 Program Options");
    EXPECT_TRUE(ownedByDesk);
    EXPECT_EQ(live().FadeSpeed, 0);
    EXPECT_EQ(storedOptions()->FadeSpeed, 0);
}

} // namespace
} // namespace klv::test

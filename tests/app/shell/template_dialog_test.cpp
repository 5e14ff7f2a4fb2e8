// Dialogs built from a template: the host calls as a plug-in makes them, on the headless
// window system (where a test plays the user) and on the program's Qt window system.

#include "app/shell/qt_window_system.h"
#include "app/shell/template_dialog.h"
#include "platform/ui/dialog_template.h"
#include "tests/app/support/app_test_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace klv::app {
namespace {

using platform::HeadlessWindowSystem;

// A small settings dialog of the kind a plug-in brings: two sliders with value labels, a check
// box, a right-aligned caption and OK, in dialog units of "MS Sans Serif" 8.
enum : int32_t {
    kOk = 1,
    kLevel = 1000,
    kSpeed = 1001,
    kBright = 1005,
    kLevelText = 1008,
    kSpeedText = 1009,
    kFrame = 1020
};
const KlvDialogControl kControls[] = {
    {kFrame, KLV_CONTROL_GROUP_BOX, "Tone", 4, 2, 200, 50},
    {KLV_CONTROL_NO_ID, KLV_CONTROL_LABEL_RIGHT, "Level:", 7, 10, 44, 10},
    {kLevel, KLV_CONTROL_TRACKBAR, nullptr, 51, 10, 85, 10},
    {kLevelText, KLV_CONTROL_LABEL, "", 136, 10, 30, 10},
    {KLV_CONTROL_NO_ID, KLV_CONTROL_LABEL_RIGHT, "Speed:", 7, 25, 44, 10},
    {kSpeed, KLV_CONTROL_TRACKBAR, nullptr, 51, 25, 85, 10},
    {kSpeedText, KLV_CONTROL_LABEL, "", 136, 25, 30, 10},
    {kBright, KLV_CONTROL_CHECK_BOX, "Brighter", 140, 38, 60, 9},
    {kOk, KLV_CONTROL_DEFAULT_BUTTON, "OK", 150, 56, 50, 14},
};
const KlvDialogTemplate kTemplate = {"Tone Settings",
                                     210,
                                     75,
                                     "MS Sans Serif",
                                     8,
                                     kControls,
                                     static_cast<int32_t>(std::size(kControls))};

// What the dialog procedure heard, and its settings: a plug-in's side of the dialog.
struct PluginSide {
    std::vector<std::string> heard;
    int32_t level = -6;
    int32_t speed = 40;
    bool bright = false;
    bool keepOpen = false; // answer KLV_DLG_CLOSE with "no"
};
PluginSide* g_plugin = nullptr;

void refreshLabels(KlvDialog dialog) {
    klvDialogSetText(dialog, kLevelText, (std::to_string(g_plugin->level) + " db").c_str());
    klvDialogSetText(dialog, kSpeedText, (std::to_string(g_plugin->speed) + " %").c_str());
}

intptr_t toneProc(KlvDialog dialog, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    PluginSide& p = *g_plugin;
    switch (msg) {
    case KLV_DLG_INIT:
        p.heard.push_back("init " + std::to_string(lParam));
        klvDialogSetTrackbarRange(dialog, kLevel, -20, 20);
        klvDialogSetTrackbarRange(dialog, kSpeed, 5, 100);
        klvDialogSetTrackbarPos(dialog, kLevel, p.level);
        klvDialogSetTrackbarPos(dialog, kSpeed, p.speed);
        klvDialogSetCheck(dialog, kBright, p.bright ? 1 : 0);
        refreshLabels(dialog);
        return 1;
    case KLV_DLG_HSCROLL:
        p.heard.push_back("hscroll " + std::to_string(lParam) + " code " +
                          std::to_string(KLV_LOWORD(wParam)) + " pos " +
                          std::to_string(KLV_HSCROLL_POS(wParam)));
        p.level = klvDialogGetTrackbarPos(dialog, kLevel);
        p.speed = klvDialogGetTrackbarPos(dialog, kSpeed);
        refreshLabels(dialog);
        return 0;
    case KLV_DLG_COMMAND:
        p.heard.push_back("command " + std::to_string(KLV_LOWORD(wParam)) + " code " +
                          std::to_string(KLV_HIWORD(wParam)));
        if (KLV_LOWORD(wParam) == kOk)
            klvDestroyDialog(dialog);
        else if (KLV_LOWORD(wParam) == kBright)
            p.bright = klvDialogGetCheck(dialog, kBright) == 1;
        return 0;
    case KLV_DLG_CLOSE:
        p.heard.push_back("close");
        return p.keepOpen ? 1 : 0;
    case KLV_DLG_DESTROY:
        p.heard.push_back("destroy");
        return 0;
    default:
        return 0;
    }
}

std::string textOf(KlvDialog dialog, int32_t id) {
    char buffer[64];
    if (klvDialogGetText(dialog, id, buffer, sizeof buffer) < 0)
        return "<none>";
    return buffer;
}

class HeadlessDialogTest : public testing::Test {
protected:
    HeadlessDialogTest() { g_plugin = &plugin; }
    ~HeadlessDialogTest() override { g_plugin = nullptr; }

    test::ScopedHeadless windows;
    PluginSide plugin;
};

TEST_F(HeadlessDialogTest, InitSetsTheControlsAndTheTemplateIsKept) {
    const KlvDialog dialog =
        klvCreateDialog(0x600, &kTemplate, toneProc, reinterpret_cast<void*>(42));
    ASSERT_NE(dialog, 0);
    EXPECT_EQ(windows.system.dialogs(), std::vector<KlvDialog>{dialog});
    EXPECT_EQ(plugin.heard, std::vector<std::string>{"init 42"});
    const auto state = windows.system.dialog(dialog);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->owner, 0x600);
    EXPECT_EQ(state->title, "Tone Settings");
    EXPECT_EQ(state->fontName, "MS Sans Serif");
    ASSERT_EQ(state->controls.size(), std::size(kControls));
    EXPECT_EQ(state->controls[2].minimum, -20);
    EXPECT_EQ(state->controls[2].maximum, 20);
    EXPECT_EQ(klvDialogGetTrackbarPos(dialog, kLevel), -6);
    EXPECT_EQ(klvDialogGetTrackbarPos(dialog, kSpeed), 40);
    EXPECT_EQ(textOf(dialog, kLevelText), "-6 db");
    EXPECT_EQ(textOf(dialog, kSpeedText), "40 %");
    EXPECT_EQ(textOf(dialog, kBright), "Brighter");
    EXPECT_EQ(textOf(dialog, kFrame), "Tone");
}

TEST_F(HeadlessDialogTest, UserMovesTrackbarsAndPressesButtons) {
    const KlvDialog dialog = klvCreateDialog(0, &kTemplate, toneProc, nullptr);
    ASSERT_TRUE(windows.system.moveTrackbar(dialog, kLevel, 7));
    ASSERT_TRUE(windows.system.moveTrackbar(dialog, kSpeed, 500)); // kept within 5..100
    ASSERT_TRUE(windows.system.moveTrackbar(dialog, kLevel, -25, KLV_TB_THUMBPOSITION));
    EXPECT_EQ(plugin.level, -20);
    EXPECT_EQ(plugin.speed, 100);
    EXPECT_EQ(textOf(dialog, kLevelText), "-20 db");
    EXPECT_EQ(textOf(dialog, kSpeedText), "100 %");

    ASSERT_TRUE(windows.system.pressButton(dialog, kBright));
    EXPECT_TRUE(plugin.bright);
    EXPECT_EQ(klvDialogGetCheck(dialog, kBright), 1);
    ASSERT_TRUE(windows.system.pressButton(dialog, kBright));
    EXPECT_FALSE(plugin.bright);

    ASSERT_TRUE(windows.system.pressButton(dialog, kOk)); // OK destroys it
    EXPECT_TRUE(windows.system.dialogs().empty());
    const std::vector<std::string> expected = {
        "init 0",
        "hscroll 1000 code 5 pos 7",
        "hscroll 1001 code 5 pos 100",
        "hscroll 1000 code 4 pos -20",
        "command 1005 code 0",
        "command 1005 code 0",
        "command 1 code 0",
        "destroy",
    };
    EXPECT_EQ(plugin.heard, expected);
    // The handle is dead now: every host call does nothing.
    EXPECT_EQ(klvDialogSetTrackbarPos(dialog, kLevel, 3), -1);
    EXPECT_EQ(klvDialogGetTrackbarPos(dialog, kLevel), 0);
    EXPECT_EQ(textOf(dialog, kLevelText), "<none>");
    EXPECT_FALSE(windows.system.pressButton(dialog, kOk));
}

TEST_F(HeadlessDialogTest, ClosingAsksTheProcedure) {
    const KlvDialog dialog = klvCreateDialog(0, &kTemplate, toneProc, nullptr);
    plugin.keepOpen = true;
    EXPECT_TRUE(windows.system.closeDialog(dialog));
    EXPECT_EQ(windows.system.dialogs().size(), 1u);
    plugin.keepOpen = false;
    EXPECT_TRUE(windows.system.closeDialog(dialog));
    EXPECT_TRUE(windows.system.dialogs().empty());
    const std::vector<std::string> expected = {"init 0", "close", "close", "destroy"};
    EXPECT_EQ(plugin.heard, expected);
}

TEST_F(HeadlessDialogTest, WrongIdsKindsAndArgumentsAreRefused) {
    const KlvDialog dialog = klvCreateDialog(0, &kTemplate, toneProc, nullptr);
    EXPECT_EQ(klvDialogSetTrackbarPos(dialog, kBright, 3), -1); // a check box
    EXPECT_EQ(klvDialogSetCheck(dialog, kLevel, 1), -1);        // a trackbar
    EXPECT_EQ(klvDialogSetText(dialog, 4242, "x"), -1);         // no such control
    EXPECT_EQ(klvDialogSetText(dialog, KLV_CONTROL_NO_ID, "x"), -1);
    EXPECT_EQ(klvDialogGetCheck(dialog, 4242), 0);
    EXPECT_FALSE(windows.system.moveTrackbar(dialog, kOk, 1));
    EXPECT_FALSE(windows.system.pressButton(dialog, kLevelText));
    EXPECT_EQ(klvCreateDialog(0, nullptr, toneProc, nullptr), 0);
    EXPECT_EQ(klvCreateDialog(0, &kTemplate, nullptr, nullptr), 0);
    KlvDialogTemplate broken = kTemplate;
    broken.controls = nullptr;
    EXPECT_EQ(klvCreateDialog(0, &broken, toneProc, nullptr), 0);

    // A caption longer than the caller's buffer is cut and terminated; the length is whole.
    klvDialogSetText(dialog, kLevelText, "a caption of thirty characters");
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(klvDialogGetText(dialog, kLevelText, small, 5), 30);
    EXPECT_STREQ(small, "a ca");
    EXPECT_EQ(small[5], 'x'); // nothing written past the size given
}

TEST(TemplateDialogWithoutWindowSystem, NoDialogIsMade) {
    platform::setWindowSystem(nullptr);
    PluginSide plugin;
    g_plugin = &plugin;
    EXPECT_EQ(klvCreateDialog(0, &kTemplate, toneProc, nullptr), 0);
    EXPECT_TRUE(plugin.heard.empty());
    g_plugin = nullptr;
}

TEST(DialogUnits, ConvertWithTheTemplateFontsBaseUnits) {
    const struct {
        QRect units;
        QSize base;
        QRect pixels;
    } cases[] = {
        {{0, 0, 243, 87}, {6, 13}, {0, 0, 365, 141}}, // x*6/4, y*13/8, rounded
        {{186, 66, 50, 14}, {6, 13}, {279, 107, 75, 23}},
        {{51, 10, 85, 10}, {7, 16}, {89, 20, 149, 20}},
        {{7, 25, 44, 10}, {5, 13}, {9, 41, 55, 16}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dialogUnitsToPixels(c.units, c.base), c.pixels);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    const QSize base = dialogBaseUnits(font);
    EXPECT_GT(base.width(), 2);
    EXPECT_GT(base.height(), base.width());
}

class QtDialogTest : public testing::Test {
protected:
    QtDialogTest() {
        g_plugin = &plugin;
        platform::setWindowSystem(&system);
        registerWindow(&owner);
        owner.resize(400, 300);
        owner.show();
    }
    ~QtDialogTest() override {
        // Dialogs still open go with their owner, telling the procedure while it can hear.
        qDeleteAll(owner.findChildren<TemplateDialog*>(Qt::FindDirectChildrenOnly));
        platform::setWindowSystem(nullptr);
        g_plugin = nullptr;
    }

    TemplateDialog* open() {
        const KlvDialog handle =
            klvCreateDialog(windowHandle(&owner), &kTemplate, toneProc, reinterpret_cast<void*>(7));
        return qobject_cast<TemplateDialog*>(liveWindow(handle));
    }

    QtWindowSystem system;
    QWidget owner;
    PluginSide plugin;
};

TEST_F(QtDialogTest, RendersTheTemplateModelessOwnedAndPlaced) {
    TemplateDialog* dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_EQ(dialog->windowTitle(), "Tone Settings");
    const QSize base = dialog->baseUnits();
    EXPECT_EQ(dialog->size(), dialogUnitsToPixels(QRect(0, 0, 210, 75), base).size());

    auto* level = qobject_cast<QSlider*>(dialog->control(kLevel));
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->geometry(), dialogUnitsToPixels(QRect(51, 10, 85, 10), base));
    EXPECT_EQ(level->orientation(), Qt::Horizontal);
    EXPECT_EQ(level->minimum(), -20);
    EXPECT_EQ(level->value(), -6);
    auto* levelText = qobject_cast<QLabel*>(dialog->control(kLevelText));
    ASSERT_NE(levelText, nullptr);
    EXPECT_EQ(levelText->text(), "-6 db");
    auto* ok = qobject_cast<QPushButton*>(dialog->control(kOk));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_NE(qobject_cast<QCheckBox*>(dialog->control(kBright)), nullptr);
    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    const auto caption =
        std::find_if(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "Level:"; });
    ASSERT_NE(caption, labels.end());
    EXPECT_TRUE((*caption)->alignment() & Qt::AlignRight);
    EXPECT_EQ(plugin.heard, std::vector<std::string>{"init 7"}); // host calls are no news
    test::keepScreenshot(*dialog, "template-dialog.png");
}

TEST_F(QtDialogTest, UserActionsReachTheProcedure) {
    TemplateDialog* dialog = open();
    ASSERT_NE(dialog, nullptr);
    auto* level = qobject_cast<QSlider*>(dialog->control(kLevel));
    QTest::keyClick(level, Qt::Key_Right); // one step up the range
    EXPECT_EQ(plugin.level, -5);
    EXPECT_EQ(qobject_cast<QLabel*>(dialog->control(kLevelText))->text(), "-5 db");
    QTest::keyClick(level, Qt::Key_End);
    EXPECT_EQ(plugin.level, 20);

    auto* bright = qobject_cast<QCheckBox*>(dialog->control(kBright));
    QTest::mouseClick(bright, Qt::LeftButton, {}, QPoint(6, bright->height() / 2));
    EXPECT_TRUE(plugin.bright);

    QPointer<TemplateDialog> watch(dialog);
    const KlvDialog handle = windowHandle(dialog);
    QTest::mouseClick(qobject_cast<QPushButton*>(dialog->control(kOk)), Qt::LeftButton);
    EXPECT_EQ(liveWindow(handle), nullptr); // the handle is dead at once
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    const std::vector<std::string> expected = {"init 7",
                                               "hscroll 1000 code 1 pos -5",
                                               "hscroll 1000 code 7 pos 20",
                                               "command 1005 code 0",
                                               "command 1 code 0",
                                               "destroy"};
    EXPECT_EQ(plugin.heard, expected);
}

TEST_F(QtDialogTest, EscapeAsksTheProcedureAndAGoneOwnerTakesTheDialog) {
    TemplateDialog* dialog = open();
    ASSERT_NE(dialog, nullptr);
    plugin.keepOpen = true;
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    plugin.keepOpen = false;
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    std::vector<std::string> expected = {"init 7", "close", "close", "destroy"};
    EXPECT_EQ(plugin.heard, expected);

    plugin.heard.clear();
    auto ownerOfSecond = std::make_unique<QWidget>();
    registerWindow(ownerOfSecond.get());
    const KlvDialog second =
        klvCreateDialog(windowHandle(ownerOfSecond.get()), &kTemplate, toneProc, nullptr);
    ASSERT_NE(second, 0);
    ownerOfSecond.reset(); // the owner window goes, and its dialog with it
    expected = {"init 0", "destroy"};
    EXPECT_EQ(plugin.heard, expected);
    EXPECT_EQ(klvDialogSetText(second, kLevelText, "x"), -1);
}

} // namespace
} // namespace klv::app

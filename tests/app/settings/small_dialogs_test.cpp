#include "app/settings/crash_dialog.h"
#include "app/settings/folder_browser.h"
#include "app/settings/input_dialog.h"
#include "app/settings/trigger_dialog.h"
#include "app/shell/message_route.h"
#include "app/shell/program_state.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_home.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace klv::app {
namespace {

// Collects what reaches the status bar; boxes go to a headless window system.
class RecordingTarget final : public MessageTarget {
public:
    RecordingTarget() { setMessageTarget(this); }
    ~RecordingTarget() override { setMessageTarget(nullptr); }
    int32_t statusLevel() const override { return 2; }
    platform::WindowHandle messageOwner() const override { return 0; }
    void showStatusMessage(const QString& text, int32_t level, int32_t) override {
        shown.push_back({text, level});
    }
    struct Shown {
        QString text;
        int32_t level;
    };
    std::vector<Shown> shown;
};

TEST(TriggerTime, TextsAndTheirSeconds) {
    const struct {
        const char* text;
        std::optional<int32_t> seconds;
    } cases[] = {
        {"3:07", 187},
        {"90", 90},
        {"1:2:3", std::nullopt},
        {"123:00", std::nullopt},
        {"0:5", 5},
        {"-1:30", 90},
        {"1:-30", 90},
        {"12:345", 1065},
        {"12:3456", std::nullopt},
        {":", 0},
        {"90.7", 90},
        {"abc", 0},
        {"", 0},
        {" 1 2 ", 12},
        {"1e2", 100},
        {"-5", -5},
        {"4:", 240},
        {"9999999999999", 2147483647},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseTriggerTime(QString::fromLatin1(c.text)), c.seconds) << '"' << c.text << '"';
}

TEST(TriggerDialog, ShowsTheTimeSelectedAndTakesWhatIsTyped) {
    RecordingTarget target;
    const struct {
        int32_t start;
        const char* shown;
        const char* typed;
        int32_t result;
    } cases[] = {
        {187, "3:07", "90", 90},
        {5, "0:05", "3:07", 187},
        {600, "10:00", "45", 45},
    };
    for (const auto& c : cases) {
        TriggerDialog dialog;
        dialog.TTime = c.start;
        dialog.cancelled = true; // showing clears it
        QString shownText;
        bool allSelected = false;
        test::ModalResponder responder([&](QWidget*) {
            shownText = dialog.timeEdit()->text();
            allSelected = dialog.timeEdit()->selectedText() == shownText;
            EXPECT_FALSE(dialog.cancelled);
            QTest::keyClicks(dialog.timeEdit(), QString::fromLatin1(c.typed)); // replaces it
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(shownText, c.shown);
        EXPECT_TRUE(allSelected);
        EXPECT_EQ(dialog.TTime, c.result);
        EXPECT_FALSE(dialog.cancelled);
        if (c.start == 187)
            test::keepScreenshot(dialog, "trigger-dialog.png");
    }
    EXPECT_TRUE(target.shown.empty());
}

TEST(TriggerDialog, WrongShapeIsRefusedAtOkWithTheMessageAndTheDialogStays) {
    for (const char* typed : {"1:2:3", "123:00", "1:2345"}) {
        RecordingTarget target;
        TriggerDialog dialog;
        dialog.TTime = 30;
        dialog.show();
        dialog.timeEdit()->selectAll();
        QTest::keyClicks(dialog.timeEdit(), QString::fromLatin1(typed));
        EXPECT_TRUE(dialog.formatError()) << typed;
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << typed;
        ASSERT_EQ(target.shown.size(), 1u) << typed;
        EXPECT_EQ(target.shown[0].text, TriggerDialog::kFormatMessage);
        EXPECT_EQ(target.shown[0].level, 0);

        // Mending the text lets OK through.
        dialog.timeEdit()->selectAll();
        QTest::keyClicks(dialog.timeEdit(), "2:00");
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.TTime, 120);
        EXPECT_EQ(target.shown.size(), 1u);
    }
}

TEST(TriggerDialog, EscapeCancels) {
    TriggerDialog dialog;
    dialog.TTime = 75;
    test::ModalResponder responder(
        [&](QWidget*) { QTest::keyClick(dialog.timeEdit(), Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_EQ(dialog.TTime, 75);
}

TEST(InputDialog, KeepsTwentyMaskedCharactersAndOkOnlyWithText) {
    InputDialog dialog("Please Enter Password");
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Enter Password");
    EXPECT_EQ(dialog.inputEdit()->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    QTest::keyClick(dialog.inputEdit(), Qt::Key_Return); // nothing typed: Enter does nothing
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(dialog.inputEdit(), "abcdefghijklmnopqrstuvwxy"); // 25 characters
    EXPECT_EQ(dialog.inputEdit()->text(), "abcdefghijklmnopqrst");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_EQ(dialog.inputEdit()->displayText(), QString(20, u'*'));
    test::keepScreenshot(dialog, "input-dialog.png");
    dialog.inputEdit()->clear();
    EXPECT_FALSE(dialog.okButton()->isEnabled());
}

TEST(InputDialog, AskReturnsTheTextOrNothing) {
    const struct {
        const char* typed;
        bool ok;
        const char* result;
    } cases[] = {{"s3cret", true, "s3cret"}, {"s3cret", false, ""}, {"x", true, "x"}};
    for (const auto& c : cases) {
        test::ModalResponder responder([&](QWidget* modal) {
            auto* dialog = qobject_cast<InputDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            QTest::keyClicks(dialog->inputEdit(), c.typed);
            QTest::mouseClick(c.ok ? dialog->okButton() : dialog->cancelButton(), Qt::LeftButton);
        });
        EXPECT_EQ(InputDialog::ask(nullptr, "Please Enter Password"), c.result);
    }
}

// Clicks a check box on its indicator, where a click always toggles it.
void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

TEST(CrashDialog, CheckBoxesSetTheStartFlags) {
    ProgramState state;
    CrashDialog dialog(state);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "KLV Crash Protection");
    test::keepScreenshot(dialog, "crash-dialog.png");
    clickBox(dialog.noPluginsBox());
    EXPECT_TRUE(state.noPlugins);
    EXPECT_FALSE(state.noOpen);
    clickBox(dialog.noOpenBox());
    EXPECT_TRUE(state.noOpen);
    clickBox(dialog.noPluginsBox()); // changed its mind
    EXPECT_FALSE(state.noPlugins);
    QTest::mouseClick(dialog.continueButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(state.noOpen);
}

TEST(FolderBrowser, StartsAtTheStartFolderAndReturnsTheChoice) {
    test::TempDir root;
    const std::filesystem::path start = root.path() / "Music" / "Live";
    std::filesystem::create_directories(start);
    const QString startPath = QString::fromStdString(start.string());
    const struct {
        bool accept;
        QString expected;
    } cases[] = {{true, startPath}, {false, QString()}};
    for (const auto& c : cases) {
        QString statusSeen;
        test::ModalResponder responder([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Choose the restricted folder");
            if (auto* status = dialog->findChild<QLabel*>("status"))
                statusSeen = status->text();
            // The dialog's own buttons, as the user presses them.
            QMetaObject::invokeMethod(dialog, c.accept ? "accept" : "reject");
        });
        EXPECT_EQ(browseForFolder(nullptr, "Choose the restricted folder", startPath), c.expected);
        EXPECT_EQ(statusSeen, startPath);
    }
}

} // namespace
} // namespace klv::app

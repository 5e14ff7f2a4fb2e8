#include "app/browser/display_format_dialog.h"
#include "app/shell/default_options.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/test_desk.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace klv::app {
namespace {

std::string field(const char (&text)[20]) {
    return std::string(text, sizeof text);
}

std::string padded(const std::string& text) {
    return text + std::string(20 - text.size(), ' ');
}

class DisplayFormatDialogTest : public ::testing::Test {
protected:
    DisplayFormatDialogTest() {
        test::clearStartupSettings();
        assignDefaultOptions(state.options);
    }

    static void type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    test::ScopedHeadless headless;
    ProgramState state;
    test::TestDesk desk{state};
};

TEST_F(DisplayFormatDialogTest, ShowsTheSixFormatsAndTheTokenTable) {
    putOptionText(state.options.ID3Format[1], 20, "  %A - %T  ");
    std::memcpy(state.options.NoID3Format[2], "%F\0junk", 7); // cut at the zero byte
    DisplayFormatDialog dialog(formatTextsOf(state.options));

    EXPECT_EQ(dialog.windowTitle(), "File Display Options");
    const char* const withTag[3] = {"%G", "%A - %T", "%T"};
    const char* const withoutTag[3] = {"<No ID3 Tag>", "%D1", "%F"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(dialog.id3Edit(row)->text(), withTag[row]) << row;
        EXPECT_EQ(dialog.formatEdit(row)->text(), withoutTag[row]) << row;
    }
    EXPECT_TRUE(dialog.specsBox()->isReadOnly());
    EXPECT_EQ(DisplayFormatDialog::specsText(),
              "%A\tArtist Name (ID3)\r\n%T\tTrack Title (ID3)\r\n%L\tAlbum Name (ID3)\r\n"
              "%G\tGenre (ID3)\r\n%C\tComment (ID3)\r\n%Y\tYear (ID3)\r\n"
              "%N\tTrack Number (ID3)\r\n%F\tFilename (no path)\r\n"
              "%D1\tParent Directory Name\r\n%D2\tNext Directory Up\r\n"
              "%D3\tThree Directories Up\r\n%D4\tFour Directories Up\r\n\r\n"
              "All other characters are taken literally.");
    EXPECT_TRUE(dialog.specsBox()->toPlainText().contains("%D3\tThree Directories Up\n"));
    EXPECT_FALSE(dialog.okPressed());
}

TEST_F(DisplayFormatDialogTest, OkStoresTheBoxesAndCancelLeavesTheRecordAlone) {
    const struct {
        bool ok;
        bool stored;
    } cases[] = {{true, true}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ok);
        assignDefaultOptions(state.options);
        const OptionsRecord before = state.options;
        test::ModalResponder respond([&c](QWidget* modal) {
            auto* dialog = qobject_cast<DisplayFormatDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            type(dialog->id3Edit(0), "%A - %T");
            type(dialog->formatEdit(1), "100%%");
            (c.ok ? dialog->okButton() : dialog->cancelButton())->click();
        });
        EXPECT_EQ(editDisplayFormats(nullptr, state.options), c.ok);
        if (c.stored) {
            EXPECT_EQ(field(state.options.ID3Format[0]), padded("%A - %T"));
            EXPECT_EQ(field(state.options.NoID3Format[1]), padded("100%%"));
            EXPECT_EQ(field(state.options.ID3Format[1]), padded("%A"));
        } else {
            EXPECT_TRUE(test::sameBytes(state.options, before));
        }
    }
}

TEST_F(DisplayFormatDialogTest, LongTextsKeepTwentyBytesWithoutSplittingACharacter) {
    const QString euro(QChar(0x20AC)); // three bytes in UTF-8
    const struct {
        QString typed;
        QString kept;
    } cases[] = {
        {QString(25, QLatin1Char('x')), QString(20, QLatin1Char('x'))},
        {QString(11, QChar(0xC4)), QString(10, QChar(0xC4))}, // two bytes each
        {QStringLiteral("%A ") + euro.repeated(9), QStringLiteral("%A ") + euro.repeated(5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        FormatTexts texts = formatTextsOf(state.options);
        texts[0] = c.typed;
        texts[5] = c.typed;
        storeFormatTexts(state.options, texts);
        EXPECT_EQ(formatTextsOf(state.options)[0], c.kept);
        EXPECT_EQ(formatTextsOf(state.options)[5], c.kept);
        EXPECT_EQ(formatTextsOf(state.options)[1], "%A"); // neighbours untouched
    }
}

TEST_F(DisplayFormatDialogTest, TheLineMenuSavesAtOnceAndLaysTheLinesOutAgain) {
    ASSERT_EQ(klvSaveOptions(&state.options), 0);
    {
        test::ModalResponder cancel([](QWidget* modal) {
            auto* dialog = qobject_cast<DisplayFormatDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            type(dialog->id3Edit(2), "%L");
            dialog->cancelButton()->click();
        });
        EXPECT_FALSE(editLineDisplayFormats(desk));
    }
    EXPECT_TRUE(desk.updates.empty());
    ASSERT_TRUE(test::storedOptions().has_value());
    EXPECT_EQ(field(test::storedOptions()->ID3Format[2]), padded("%T"));

    {
        test::ModalResponder ok([](QWidget* modal) {
            auto* dialog = qobject_cast<DisplayFormatDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            type(dialog->id3Edit(2), "%L");
            dialog->okButton()->click();
        });
        EXPECT_TRUE(editLineDisplayFormats(desk));
    }
    EXPECT_EQ(desk.updates, std::vector<int32_t>{1});
    EXPECT_EQ(field(state.options.ID3Format[2]), padded("%L"));
    const auto stored = test::storedOptions();
    ASSERT_TRUE(stored.has_value());
    EXPECT_TRUE(test::sameBytes(*stored, state.options));
}

TEST_F(DisplayFormatDialogTest, ABoxThatGetsTheFocusSelectsItsText) {
    DisplayFormatDialog dialog(formatTextsOf(state.options));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* box = dialog.formatEdit(0);
    box->deselect();
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QApplication::processEvents();
    EXPECT_EQ(box->selectedText(), "<No ID3 Tag>");
    test::keepScreenshot(dialog, "display_format_dialog.png");
}

} // namespace
} // namespace klv::app

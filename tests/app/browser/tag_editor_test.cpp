#include "app/browser/genre_table.h"
#include "app/browser/tag_editor.h"
#include "app/settings/feature_lock.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace klv::app {
namespace {

namespace fs = std::filesystem;

// An ID3v1 block as a tagger leaves it at the end of a file.
struct TagBlock {
    std::string title{}, artist{}, album{}, year{}, comment{};
    int track = 0; // 0: plain ID3v1 comment
    int genre = 255;
};

std::string blockBytes(const TagBlock& t) {
    std::string b(128, '\0');
    b.replace(0, 3, "TAG");
    const auto put = [&b](size_t at, const std::string& s, size_t width) {
        b.replace(at, std::min(s.size(), width), s.substr(0, width));
    };
    put(3, t.title, 30);
    put(33, t.artist, 30);
    put(63, t.album, 30);
    put(93, t.year, 4);
    put(97, t.comment, 30);
    if (t.track > 0) {
        b[125] = '\0';
        b[126] = static_cast<char>(t.track);
    }
    b[127] = static_cast<char>(t.genre);
    return b;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TagEditorTest : public ::testing::Test {
protected:
    // A file of audio-like bytes, with a tag block at its end when one is given.
    QString makeFile(const std::string& name, const std::string* block = nullptr) {
        const fs::path path = dir.path() / name;
        std::ofstream out(path, std::ios::binary);
        out << std::string(2000, '\x55');
        if (block != nullptr)
            out << *block;
        return QString::fromStdString(path.string());
    }
    static std::string tail(const QString& path) {
        const std::string all = readAll(path.toStdString());
        return all.size() >= 128 ? all.substr(all.size() - 128) : std::string();
    }
    // Types text over the box's whole text, as a user does after the focus selected it.
    static void type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        for (const QChar c : text) {
            // Key events carrying the character, so letters beyond ASCII type as well.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
            QApplication::sendEvent(box, &release);
        }
    }

    test::ScopedHeadless headless;
    test::TempDir dir;
};

TEST_F(TagEditorTest, OpeningShowsTheTagAsTheFieldsHoldIt) {
    const std::string block = blockBytes({.title = "Night Drive",
                                          .artist = "The Band   ",
                                          .album = "Live",
                                          .year = "1998",
                                          .comment = "cut 2",
                                          .track = 7,
                                          .genre = 17});
    const QString path = makeFile("song.mp3", &block);
    TagEditor editor(path);

    EXPECT_EQ(editor.windowTitle(), "ID3 Tag Information");
    EXPECT_EQ(editor.filenameEdit()->text(), path);
    const char* const expected[6] = {"Night Drive", "The Band", "Live", "cut 2", "1998", "7"};
    for (int field = 0; field < 6; ++field) {
        EXPECT_EQ(editor.fieldEdit(field)->text(), expected[field]) << field;
        EXPECT_EQ(editor.fieldEdit(field)->maxLength(), TagEditor::kFieldLimits[field]) << field;
    }
    EXPECT_EQ(editor.genreBox()->count(), kGenreCount);
    EXPECT_EQ(editor.genreBox()->itemText(0), "Blues");
    EXPECT_EQ(editor.genreBox()->itemText(125), "Dance Hall");
    EXPECT_EQ(editor.genreBox()->currentText(), "Rock");
    EXPECT_FALSE(editor.saveButton()->isEnabled());
    EXPECT_EQ(editor.saveButton()->text(), "&Save");
    EXPECT_EQ(editor.closeButton()->text(), "&Close");
}

TEST_F(TagEditorTest, GenresOutsideTheNamedOnesShowUnknownAndSaveAsUnknown) {
    // Genre bytes past 125 (200, and "none" 255) are not named; 126 is the table's own.
    for (const int stored : {200, 255, 126}) {
        SCOPED_TRACE(stored);
        const std::string block = blockBytes({.title = "Song", .genre = stored});
        const QString path = makeFile("genre.mp3", &block);
        TagEditor editor(path);
        EXPECT_EQ(editor.genreBox()->currentText(), "(Unknown)");

        type(editor.fieldEdit(0), "Song 2");
        ASSERT_TRUE(editor.saveButton()->isEnabled());
        editor.saveButton()->click();
        EXPECT_TRUE(editor.written());
        EXPECT_EQ(static_cast<unsigned char>(tail(path)[127]), 126);
        EXPECT_EQ(tail(path).substr(3, 6), "Song 2");
    }
}

TEST_F(TagEditorTest, YearAndTrackBoxesSaveTheirLeadingNumbers) {
    const struct {
        const char* year;
        const char* track;
        const char* storedYear; // what the file holds: the tag widens two-digit years
        int storedTrack;
    } cases[] = {
        {"19x9", "3", "2019", 3}, // the editor hands 19 on; 19 is taken as 2019
        {"1987", "12", "1987", 12}, {"", "", "0", 0}, {"abc", "x1", "0", 0}, {"1850", "0", "0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.year);
        const std::string block = blockBytes({.title = "Song", .year = "2001", .genre = 3});
        const QString path = makeFile("year.mp3", &block);
        TagEditor editor(path);
        type(editor.fieldEdit(4), c.year);
        type(editor.fieldEdit(5), c.track);
        editor.save();
        ASSERT_TRUE(editor.written());
        const std::string t = tail(path);
        EXPECT_EQ(std::string(t.c_str() + 93, strnlen(t.c_str() + 93, 4)), c.storedYear);
        if (c.storedTrack > 0) {
            EXPECT_EQ(t[125], '\0');
            EXPECT_EQ(static_cast<unsigned char>(t[126]), c.storedTrack);
        }
        EXPECT_EQ(static_cast<unsigned char>(t[127]), 3);
    }
}

TEST_F(TagEditorTest, NothingIsWrittenWithoutAnEdit) {
    const std::string block = blockBytes({.title = "Keep", .year = "1999", .genre = 200});
    const QString tagged = makeFile("tagged.mp3", &block);
    const QString bare = makeFile("bare.mp3");
    for (const QString& path : {tagged, bare}) {
        SCOPED_TRACE(path.toStdString());
        const std::string before = readAll(path.toStdString());
        const Id3Record blank{};
        Id3Record copy{};
        bool written = true;
        {
            test::ModalResponder close([](QWidget* modal) {
                auto* editor = qobject_cast<TagEditor*>(modal);
                ASSERT_NE(editor, nullptr);
                EXPECT_FALSE(editor->saveButton()->isEnabled());
                editor->closeButton()->click();
            });
            OptionsRecord options{};
            FeatureLock lock(options);
            written = editId3Tag(nullptr, path, lock, &copy);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(readAll(path.toStdString()), before);
        if (path == bare) {
            EXPECT_EQ(std::memcmp(&copy, &blank, sizeof copy), 0);
        }
    }
}

TEST_F(TagEditorTest, AnEditArmsSaveAndASuccessfulSaveDisarmsIt) {
    const QString bare = makeFile("new.mp3");
    const auto sizeBefore = fs::file_size(bare.toStdString());
    TagEditor editor(bare);
    EXPECT_EQ(editor.genreBox()->currentText(), "(Unknown)");
    for (int field = 0; field < 6; ++field)
        EXPECT_TRUE(editor.fieldEdit(field)->text().isEmpty());

    editor.genreBox()->setFocus();
    QTest::keyClick(editor.genreBox(), Qt::Key_Home); // a chosen genre counts as an edit
    EXPECT_EQ(editor.genreBox()->currentText(), "Blues");
    EXPECT_TRUE(editor.saveButton()->isEnabled());
    EXPECT_EQ(editor.closeButton()->text(), "&Cancel");
    type(editor.fieldEdit(1), QString(40, QLatin1Char('a'))); // the box keeps 30

    editor.saveButton()->click();
    EXPECT_TRUE(editor.written());
    EXPECT_FALSE(editor.saveButton()->isEnabled());
    EXPECT_EQ(editor.closeButton()->text(), "&Close");
    EXPECT_EQ(fs::file_size(bare.toStdString()), sizeBefore + 128); // a new tag is appended
    const std::string t = tail(bare);
    EXPECT_EQ(t.substr(0, 3), "TAG");
    EXPECT_EQ(t.substr(33, 30), std::string(30, 'a'));
    EXPECT_EQ(t[127], '\0'); // Blues

    editor.save(); // a second save replaces the tag instead of adding another
    EXPECT_EQ(fs::file_size(bare.toStdString()), sizeBefore + 128);
}

TEST_F(TagEditorTest, TextsAreCutAtACharacterBoundaryToTheTagsThirtyBytes) {
    const QString path = makeFile("utf8.mp3");
    TagEditor editor(path);
    // 29 ASCII letters and a two-byte letter: the letter would end past byte 30.
    type(editor.fieldEdit(0), QString(29, QLatin1Char('x')) + QString::fromUtf8("\xc3\xa9"));
    editor.save();
    const std::string t = tail(path);
    EXPECT_EQ(t.substr(3, 30), std::string(29, 'x') + " ");

    Id3Record tag{};
    ASSERT_EQ(getid3(path.toUtf8().constData(), &tag), 0);
    EXPECT_STREQ(tag.title, std::string(29, 'x').c_str());
}

TEST_F(TagEditorTest, AFailedSaveKeepsSaveArmedForAnotherTry) {
    const QString gone = QString::fromStdString((dir.path() / "gone.mp3").string());
    TagEditor editor(gone);
    type(editor.fieldEdit(0), "Title");
    editor.save();
    EXPECT_FALSE(editor.written());
    EXPECT_TRUE(editor.saveButton()->isEnabled());
    EXPECT_EQ(editor.closeButton()->text(), "&Cancel");
    EXPECT_FALSE(fs::exists(gone.toStdString()));
}

TEST_F(TagEditorTest, TheLockForTagEditingIsAskedFirst) {
    const std::string block = blockBytes({.title = "Locked"});
    const QString path = makeFile("locked.mp3", &block);
    OptionsRecord options{};
    options.LockEnabled = 1;
    options.LockID3 = 1;
    FeatureLock lock(options);
    int asked = 0;
    lock.setAskPassword([&asked](const QString&) {
        ++asked;
        return QString(); // cancelled
    });
    bool opened = false;
    test::ModalResponder watch([&opened](QWidget* modal) {
        opened = true;
        modal->close();
    });

    EXPECT_FALSE(editId3Tag(nullptr, path, lock));
    QApplication::processEvents();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(opened);
    bool refused = false;
    for (const auto& box : headless.system.boxes())
        refused = refused || box.text == "Password Required to Modify ID3 Tags";
    EXPECT_TRUE(refused);

    // Unguarded, it opens at once even while the program is locked.
    options.LockID3 = 0;
    {
        test::ModalResponder close([](QWidget* modal) { modal->close(); });
        EXPECT_FALSE(editId3Tag(nullptr, path, lock));
    }
    EXPECT_EQ(asked, 1);
}

TEST_F(TagEditorTest, Screenshot) {
    const std::string block = blockBytes({.title = "Night Drive",
                                          .artist = "The Band",
                                          .album = "Live at the Hall",
                                          .year = "1998",
                                          .comment = "encoded for the set",
                                          .track = 7,
                                          .genre = 31});
    TagEditor editor(makeFile("shot.mp3", &block));
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    test::keepScreenshot(editor, "tag_editor.png");
}

} // namespace
} // namespace klv::app

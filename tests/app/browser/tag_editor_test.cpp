#include "app/browser/genre_table.h"
#include "app/browser/tag_editor.h"
#include "app/settings/feature_lock.h"
#include "tests/app/browser/navigator_test_util.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/song_fixtures.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
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
#include <optional>
#include <string>
#include <unistd.h>

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

// The file's own tags as the engine reads them.
KlvTags ownTags(const QString& path) {
    KlvTags tags{};
    EXPECT_EQ(klvGetTags(path.toUtf8().constData(), &tags), 0) << path.toStdString();
    return tags;
}

class TagEditorTest : public ::testing::Test {
protected:
    // An MP3 of silent frames, with an ID3v1 block at its end when one is given.
    QString makeFile(const std::string& name, const std::string* block = nullptr) {
        const fs::path path = dir.path() / name;
        std::ofstream out(path, std::ios::binary);
        out << test::silentMp3(40);
        if (block != nullptr)
            out << *block;
        return QString::fromStdString(path.string());
    }
    // A writable copy of a song fixture; the test skips when the build made none.
    QString song(const char* fixture) {
        const QString path = test::copySongFixture(fixture, dir.path() / fixture);
        if (path.isEmpty())
            ADD_FAILURE() << "no song fixture " << fixture << " (ffmpeg missing at build time)";
        return path;
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
    const char* const expected[TagEditor::kFieldCount] = {
        "Night Drive", "The Band", "Live", "cut 2", "1998", "7", "", ""};
    for (int field = 0; field < TagEditor::kFieldCount; ++field) {
        EXPECT_EQ(editor.fieldEdit(field)->text(), expected[field]) << field;
        EXPECT_EQ(editor.fieldEdit(field)->maxLength(), TagEditor::kFieldLimits[field]) << field;
    }
    // The named genres are offered; "(Unknown)" is no genre to choose.
    EXPECT_TRUE(editor.genreBox()->isEditable());
    EXPECT_EQ(editor.genreBox()->count(), kUnknownGenre);
    EXPECT_EQ(editor.genreBox()->itemText(0), "Blues");
    EXPECT_EQ(editor.genreBox()->itemText(125), "Dance Hall");
    EXPECT_EQ(editor.genreBox()->currentText(), "Rock");
    EXPECT_FALSE(editor.saveButton()->isEnabled());
    EXPECT_EQ(editor.saveButton()->text(), "&Save");
    EXPECT_EQ(editor.closeButton()->text(), "&Close");
}

TEST_F(TagEditorTest, OpeningASongOfAnotherFormatShowsItsOwnTag) {
    const struct {
        const char* fixture;
        const char* title;
    } cases[] = {{"song.flac", "FLAC Title"},  {"song.m4a", "AAC Title"},
                 {"song.ogg", "Vorbis Title"}, {"song.opus", "Opus Title"},
                 {"song.aiff", "AIFF Title"},  {"id3v2only.mp3", "ID3v2 Only Title"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const QString path = song(c.fixture);
        if (path.isEmpty())
            continue;
        TagEditor editor(path);
        EXPECT_EQ(editor.windowTitle(), path.endsWith(QStringLiteral(".mp3"))
                                            ? QStringLiteral("ID3 Tag Information")
                                            : QStringLiteral("Tag Information"));
        EXPECT_EQ(editor.fieldEdit(TagEditor::kTitle)->text(), c.title);
        EXPECT_EQ(editor.fieldEdit(TagEditor::kArtist)->text(), "Fixture Artist");
        EXPECT_EQ(editor.fieldEdit(TagEditor::kAlbum)->text(), "Fixture Album");
        EXPECT_EQ(editor.fieldEdit(TagEditor::kYear)->text(), "2021");
        EXPECT_EQ(editor.fieldEdit(TagEditor::kTrack)->text(), "3/12");
        EXPECT_EQ(editor.genreBox()->currentText(), "Deep House"); // a genre the table lacks
        EXPECT_FALSE(editor.saveButton()->isEnabled());
    }
}

TEST_F(TagEditorTest, EditsAFlacsOwnTagInFull) {
    const QString path = song("song.flac");
    if (path.isEmpty())
        return;
    TagEditor editor(path);
    // Far past ID3v1's 30 bytes, and beyond ASCII: kept whole.
    const QString title = QString::fromUtf8("Nächtliche Fahrt – 夜のドライブ ") + QString(80, u'x');
    type(editor.fieldEdit(TagEditor::kTitle), title);
    type(editor.fieldEdit(TagEditor::kBpm), QStringLiteral("127.5"));
    type(editor.fieldEdit(TagEditor::kKey), QStringLiteral("Am"));
    editor.genreBox()->setFocus();
    type(editor.genreBox()->lineEdit(), QStringLiteral("Minimal Techno"));
    ASSERT_TRUE(editor.saveButton()->isEnabled());
    editor.saveButton()->click();
    ASSERT_TRUE(editor.written()) << editor.failure().toStdString();
    EXPECT_TRUE(headless.system.boxes().empty());

    const KlvTags tags = ownTags(path);
    EXPECT_EQ(QString::fromUtf8(tags.title), title);
    EXPECT_STREQ(tags.bpm, "127.5");
    EXPECT_STREQ(tags.key, "Am");
    EXPECT_STREQ(tags.genre, "Minimal Techno");
    EXPECT_STREQ(tags.artist, "Fixture Artist"); // untouched fields stay
    EXPECT_STREQ(tags.track, "3/12");
    EXPECT_EQ(editor.tag().title, title);

    TagEditor again(path); // what was written is what the next editor shows
    EXPECT_EQ(again.fieldEdit(TagEditor::kTitle)->text(), title);
    EXPECT_EQ(again.fieldEdit(TagEditor::kBpm)->text(), "127.5");
    EXPECT_EQ(again.genreBox()->currentText(), "Minimal Techno");
}

TEST_F(TagEditorTest, AnMp3GetsID3v2AndKeepsItsID3v1InStep) {
    const std::string block = blockBytes({.title = "Old", .year = "2001", .genre = 3});
    const QString path = makeFile("year.mp3", &block);
    const struct {
        const char* year; // typed; the box takes digits and dashes only
        const char* track;
        const char* storedYear;
        const char* storedTrack;
        int id3v1Year;
        int id3v1Track;
    } cases[] = {
        {"19x99", "x1", "1999", "1", 1999, 1},
        {"1987", "12", "1987", "12", 1987, 12},
        {"1999-05-01", "3/12", "1999-05-01", "3/12", 1999, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.year);
        TagEditor editor(path);
        type(editor.fieldEdit(TagEditor::kTitle), QString(40, u'T'));
        type(editor.fieldEdit(TagEditor::kYear), QString::fromLatin1(c.year));
        type(editor.fieldEdit(TagEditor::kTrack), QString::fromLatin1(c.track));
        editor.save();
        ASSERT_TRUE(editor.written()) << editor.failure().toStdString();
        EXPECT_EQ(readAll(path.toStdString()).substr(0, 4), std::string("ID3\x04", 4));
        const KlvTags tags = ownTags(path);
        EXPECT_EQ(tags.title, std::string(40, 'T'));
        EXPECT_STREQ(tags.year, c.storedYear);
        EXPECT_STREQ(tags.track, c.storedTrack);
        Id3Record v1{};
        ASSERT_EQ(getid3(path.toUtf8().constData(), &v1), 0);
        EXPECT_EQ(v1.title, std::string(30, 'T'));
        EXPECT_EQ(v1.year, c.id3v1Year);
        EXPECT_EQ(v1.track, c.id3v1Track);
        EXPECT_EQ(tail(path).substr(0, 3), "TAG"); // one ID3v1 block, still at the end
    }
}

TEST_F(TagEditorTest, NothingIsWrittenWithoutAnEdit) {
    const std::string block = blockBytes({.title = "Keep", .year = "1999", .genre = 200});
    const QString tagged = makeFile("tagged.mp3", &block);
    const QString bare = makeFile("bare.mp3");
    for (const QString& path : {tagged, bare}) {
        SCOPED_TRACE(path.toStdString());
        const std::string before = readAll(path.toStdString());
        SongTags copy;
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
        EXPECT_EQ(copy.title, path == bare ? QString() : QStringLiteral("Keep"));
        EXPECT_EQ(copy.isEmpty(), path == bare);
    }
}

TEST_F(TagEditorTest, AnEditArmsSaveAndASuccessfulSaveDisarmsIt) {
    const QString bare = makeFile("new.mp3");
    TagEditor editor(bare);
    EXPECT_TRUE(editor.genreBox()->currentText().isEmpty());
    for (int field = 0; field < TagEditor::kFieldCount; ++field)
        EXPECT_TRUE(editor.fieldEdit(field)->text().isEmpty());

    editor.genreBox()->setFocus();
    QTest::keyClick(editor.genreBox(), Qt::Key_Down); // a chosen genre counts as an edit
    EXPECT_EQ(editor.genreBox()->currentText(), "Blues");
    EXPECT_TRUE(editor.saveButton()->isEnabled());
    EXPECT_EQ(editor.closeButton()->text(), "&Cancel");
    type(editor.fieldEdit(TagEditor::kArtist), QString(40, QLatin1Char('a')));

    editor.saveButton()->click();
    EXPECT_TRUE(editor.written());
    EXPECT_FALSE(editor.saveButton()->isEnabled());
    EXPECT_EQ(editor.closeButton()->text(), "&Close");
    const KlvTags tags = ownTags(bare);
    EXPECT_EQ(tags.artist, std::string(40, 'a'));
    EXPECT_STREQ(tags.genre, "Blues");
    const auto size = fs::file_size(bare.toStdString());

    editor.save(); // a second save of the same texts leaves the file as it is
    EXPECT_TRUE(editor.written());
    EXPECT_EQ(fs::file_size(bare.toStdString()), size);
}

// Root writes a file whatever its mode says: while it lives, a root test process acts as an
// ordinary user and group (the saved ids let it become root again).
class AsOrdinaryUser {
public:
    AsOrdinaryUser()
        : m_switched(::geteuid() == 0 && ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0) {}
    ~AsOrdinaryUser() {
        if (m_switched && (::seteuid(0) != 0 || ::setegid(0) != 0))
            ADD_FAILURE() << "the test process could not become root again";
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    bool m_switched;
};

TEST_F(TagEditorTest, AFailedSaveSaysWhyAndLeavesTheFileAsItWas) {
    const QString readOnly = song("song.flac");
    const QString notAudio = QString::fromStdString((dir.path() / "notes.flac").string());
    std::ofstream(notAudio.toStdString()) << "not a song\n";
    const QString gone = QString::fromStdString((dir.path() / "gone.mp3").string());
    // The ordinary user reaches the read-only song through the test's folder.
    fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    struct Case {
        QString path;
        const char* reason;
        bool readOnly;
    };
    const Case cases[] = {{notAudio, "not audio", false},
                          {gone, "does not exist", false},
                          {readOnly, "read-only", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        if (c.path.isEmpty())
            continue;
        headless.system.clear();
        if (c.readOnly)
            fs::permissions(c.path.toStdString(),
                            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        const std::string before = readAll(c.path.toStdString());
        TagEditor editor(c.path);
        type(editor.fieldEdit(TagEditor::kTitle), "Title");
        {
            std::optional<AsOrdinaryUser> user;
            if (c.readOnly)
                user.emplace();
            editor.save();
        }
        EXPECT_FALSE(editor.written());
        EXPECT_TRUE(editor.failure().contains(QLatin1String(c.reason)))
            << editor.failure().toStdString();
        EXPECT_TRUE(editor.saveButton()->isEnabled());
        EXPECT_EQ(editor.closeButton()->text(), "&Cancel");
        const auto boxes = headless.system.boxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_NE(boxes[0].text.find(editor.failure().toStdString()), std::string::npos);
        EXPECT_NE(boxes[0].text.find(QFileInfo(c.path).fileName().toStdString()),
                  std::string::npos);
        EXPECT_EQ(readAll(c.path.toStdString()), before);
        EXPECT_EQ(ownTags(readOnly).title, std::string("FLAC Title"));
    }
    EXPECT_FALSE(fs::exists(gone.toStdString()));
    // No copy of the song was left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
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
    const QString path = song("song.flac");
    if (path.isEmpty())
        return;
    KlvTags tags{};
    ASSERT_EQ(klvGetTags(path.toUtf8().constData(), &tags), 0);
    std::strcpy(tags.title, "Night Drive (Extended Club Mix by Somebody With a Long Name)");
    std::strcpy(tags.comment, "encoded for the set");
    std::strcpy(tags.bpm, "124");
    std::strcpy(tags.key, "F#m");
    ASSERT_EQ(klvSetTags(path.toUtf8().constData(), &tags, nullptr), 0);
    TagEditor editor(path);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    test::keepScreenshot(editor, "tag_editor.png");
}

} // namespace
} // namespace klv::app

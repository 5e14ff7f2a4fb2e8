// The label rows of a line: format texts, tokens and folder levels.

#include "app/browser/display_format.h"
#include "app/browser/genre_table.h"
#include "app/browser/song_tags.h"
#include "tests/app/browser/navigator_test_util.h"
#include "tests/app/support/song_fixtures.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace klv::test {
namespace {

using app::expandFormat;

Id3Record tagWith(const char* artist, const char* title) {
    Id3Record tag{};
    std::strncpy(tag.artist, artist, sizeof tag.artist - 1);
    std::strncpy(tag.title, title, sizeof tag.title - 1);
    return tag;
}

TEST(DisplayFormat, TokensExpand) {
    Id3Record tag = tagWith("Band", "Song");
    std::strcpy(tag.album, "Album");
    std::strcpy(tag.comment, " spaced ");
    tag.year = 0;
    tag.track = 7;
    tag.genre = 17;
    const QString path = QStringLiteral("/Music/Rock/song.mp3");
    struct Case {
        const char* format;
        const char* expected;
    };
    for (const Case c : {
             Case{"%A - %T", "Band - Song"},
             Case{"100%%", "100%"},
             Case{"%Q", "Q"},
             Case{"%D9", ""},
             Case{"%D0x", "x"},
             Case{"%D", ""},
             Case{"50%", "50"},
             Case{"%L", "Album"},
             Case{"%C", " spaced "},
             Case{"%Y", "0000"},
             Case{"%N", "07"},
             Case{"%G", "Rock"},
             Case{"%F", "song.mp3"},
             Case{"%D1", "Rock"},
             Case{"%D2", "Music"},
             Case{"%D3", ""},
             Case{"%D4", ""},
             Case{"%a", "a"},
             Case{"[%T]", "[Song]"},
         }) {
        EXPECT_EQ(expandFormat(QString::fromLatin1(c.format), path, tag),
                  QString::fromLatin1(c.expected))
            << c.format;
    }
}

TEST(DisplayFormat, FolderLevelsCountUpFromTheFile) {
    const Id3Record tag{};
    const QString path = QStringLiteral("C:/Music/Rock/song.mp3");
    EXPECT_EQ(expandFormat(QStringLiteral("%D1"), path, tag), QStringLiteral("Rock"));
    EXPECT_EQ(expandFormat(QStringLiteral("%D2"), path, tag), QStringLiteral("Music"));
    EXPECT_EQ(expandFormat(QStringLiteral("%D3"), path, tag), QStringLiteral("C:"));
    EXPECT_EQ(expandFormat(QStringLiteral("%D4"), path, tag), QString());
    EXPECT_EQ(expandFormat(QStringLiteral("%F|%D1"), QStringLiteral("bare.wav"), tag),
              QStringLiteral("bare.wav|"));
}

TEST(DisplayFormat, TagFieldsAndNumbers) {
    Id3Record tag{};
    // A field that fills its 32 bytes without a terminator is trimmed, not overrun.
    std::memset(tag.artist, ' ', sizeof tag.artist);
    std::memcpy(tag.artist + 2, "Padded", 6);
    tag.year = 1999;
    tag.track = 123;
    for (const auto& [genre, name] : {std::pair{0, "Blues"},
                                      {125, "Dance Hall"},
                                      {126, "(Unknown)"},
                                      {200, "(Unknown)"},
                                      {-1, "(Unknown)"},
                                      {14, "R&B"}}) {
        tag.genre = genre;
        EXPECT_EQ(expandFormat(QStringLiteral("%G"), {}, tag), QString::fromLatin1(name));
    }
    EXPECT_EQ(expandFormat(QStringLiteral("%A"), {}, tag), QStringLiteral("Padded"));
    EXPECT_EQ(expandFormat(QStringLiteral("%Y/%N"), {}, tag), QStringLiteral("1999/123"));
    // ID3v1 has no declared encoding: bytes that are not UTF-8 read as Latin-1.
    std::strcpy(tag.title, "Caf\xe9");
    EXPECT_EQ(expandFormat(QStringLiteral("%T"), {}, tag), QStringLiteral("Caf\u00e9"));
}

TEST(DisplayFormat, LabelRowsFollowTheTagFlag) {
    const app::LabelFormats formats = app::defaultLabelFormats();
    const Id3Record tag = [] {
        Id3Record t = tagWith("Artist", "Title");
        t.genre = 8;
        return t;
    }();
    const QString path = QStringLiteral("/home/dj/Sets/track.mp3");
    const auto tagged = app::expandLabel(path, tag, true, formats);
    EXPECT_EQ(tagged[0], QStringLiteral("Jazz"));
    EXPECT_EQ(tagged[1], QStringLiteral("Artist"));
    EXPECT_EQ(tagged[2], QStringLiteral("Title"));
    const auto untagged = app::expandLabel(path, tag, false, formats);
    EXPECT_EQ(untagged[0], QStringLiteral("<No ID3 Tag>"));
    EXPECT_EQ(untagged[1], QStringLiteral("Sets"));
    EXPECT_EQ(untagged[2], QStringLiteral("track.mp3"));
    const auto loading = app::expandLabel(QStringLiteral("Loading..."), tag, true, formats);
    EXPECT_EQ(loading[0], QStringLiteral("Loading..."));
    EXPECT_TRUE(loading[1].isEmpty() && loading[2].isEmpty());
    const auto none = app::expandLabel(QString(), tag, true, formats);
    EXPECT_TRUE(none[0].isEmpty() && none[1].isEmpty() && none[2].isEmpty());
}

TEST(DisplayFormat, StoredFormatTextsAreCutOrTrimmed) {
    OptionsRecord o{};
    std::memset(&o.ID3Format, ' ', sizeof o.ID3Format);
    std::memset(&o.NoID3Format, ' ', sizeof o.NoID3Format);
    std::memcpy(o.ID3Format[0], "  %A - %T", 9); // padded: trimmed
    std::memcpy(o.ID3Format[1], " %G\0xyz", 7);  // terminated: cut, leading space kept
    std::memset(o.ID3Format[2], 'x', 20);        // full width, no terminator
    const app::LabelFormats f = app::labelFormats(o);
    EXPECT_EQ(f.withTag[0], QStringLiteral("%A - %T"));
    EXPECT_EQ(f.withTag[1], QStringLiteral(" %G"));
    EXPECT_EQ(f.withTag[2], QString(20, QLatin1Char('x')));
    EXPECT_TRUE(f.withoutTag[0].isEmpty());
}

TEST(DisplayFormat, AFilesOwnTagsAsStored) {
    app::SongTags tags;
    tags.title = QString::fromUtf8("Ein Titel weit über dreißig Zeichen – 夜のドライブ");
    tags.artist = QStringLiteral("Band");
    tags.comment = QStringLiteral(" spaced ");
    const QString path = QStringLiteral("/Music/Set/song.flac");
    struct Case {
        const char* genre;
        const char* year;
        const char* track;
        const char* format;
        const char* expected;
    };
    for (const Case c : {
             Case{"", "", "", "%G|%Y|%N", "(Unknown)|0000|00"},
             Case{"Deep House", "1999-05-01", "3/12", "%G|%Y|%N", "Deep House|1999|03"},
             Case{"(17)", "2021", "12", "%G %Y %N", "Rock 2021 12"}, // ID3v2 genre references
             Case{"17", "0", "123", "%G %Y %N", "Rock 0000 123"},
             Case{"Rock & Roll", "x", "a3", "%G %Y %N", "Rock & Roll 0000 00"},
             Case{"", "", "", "%A - %T%C", nullptr},
         }) {
        tags.genre = QString::fromUtf8(c.genre);
        tags.year = QString::fromLatin1(c.year);
        tags.track = QString::fromLatin1(c.track);
        const QString expected =
            c.expected ? QString::fromUtf8(c.expected)
                       : QStringLiteral("Band - ") + tags.title + QStringLiteral(" spaced ");
        EXPECT_EQ(expandFormat(QString::fromLatin1(c.format), path, tags), expected) << c.format;
    }
}

TEST(SongTags, TextsGoToTheEnginesBuffersCutAtACharacterBoundary) {
    app::SongTags tags;
    tags.title = QString(600, QChar(0xE9)); // 1200 bytes of two-byte letters
    tags.key = QString(20, QLatin1Char('k')) + QString(10, QChar(0x20AC)); // 20 + 30 bytes
    tags.year = QStringLiteral("1999-05-01");
    const KlvTags record = app::klvTagsFrom(tags);
    EXPECT_EQ(std::strlen(record.title), 1022U); // 511 letters: the 512th would end past 1023
    EXPECT_EQ(std::strlen(record.key), 29U);     // 20 + 3 euro signs: a 4th would end past 31
    EXPECT_STREQ(record.year, "1999-05-01");
    const app::SongTags back = app::tagsFromKlv(record);
    EXPECT_EQ(back.title, QString(511, QChar(0xE9)));
    EXPECT_EQ(back.key, QString(20, QLatin1Char('k')) + QString(3, QChar(0x20AC)));
    EXPECT_TRUE(app::SongTags{}.isEmpty());
    EXPECT_FALSE(back.isEmpty());
}

TEST(SongTags, TheFilesOwnTagComesFirstThenID3v1ThenNothing) {
    TempDir dir;
    const auto write = [&dir](const char* name, const std::string& bytes) {
        std::ofstream(dir.path() / name, std::ios::binary) << bytes;
        return QString::fromStdString((dir.path() / name).string());
    };
    std::string v1(128, '\0');
    v1.replace(0, 3, "TAG");
    v1.replace(3, 8, "V1 Title");
    v1[127] = static_cast<char>(17);

    // Not audio the engine knows, yet with an ID3v1 block: the block names it.
    const auto fromV1 = app::readSongTags(write("stray.mp3", std::string(500, 'U') + v1));
    ASSERT_TRUE(fromV1.has_value());
    EXPECT_EQ(fromV1->title, QStringLiteral("V1 Title"));
    EXPECT_EQ(fromV1->genre, QStringLiteral("Rock"));
    // Audio without any tag, and a file that is not there: nothing.
    EXPECT_FALSE(app::readSongTags(write("bare.mp3", silentMp3(40))).has_value());
    EXPECT_FALSE(
        app::readSongTags(QString::fromStdString((dir.path() / "gone.mp3").string())).has_value());

    // An MP3 with an ID3v2 title and another in ID3v1: its ID3v2 tag wins.
    const QString both = copySongFixture("id3v2only.mp3", dir.path() / "both.mp3");
    ASSERT_FALSE(both.isEmpty()) << "no song fixture (ffmpeg missing)";
    std::ofstream(both.toStdString(), std::ios::binary | std::ios::app) << v1;
    const auto own = app::readSongTags(both);
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(own->title, QStringLiteral("ID3v2 Only Title"));
    EXPECT_EQ(own->genre, QStringLiteral("Deep House"));
    EXPECT_EQ(own->track, QStringLiteral("3/12"));
}

TEST(GenreTable, NamesAndIndexesRoundTrip) {
    for (int32_t n = 0; n < app::kGenreCount; ++n)
        EXPECT_EQ(app::genreIndex(app::genreName(n)), n);
    EXPECT_EQ(app::genreName(126), QStringLiteral("(Unknown)"));
    EXPECT_EQ(app::genreName(67), QStringLiteral("Psychadelic"));
    EXPECT_EQ(app::genreIndex(QStringLiteral("rock")), -1) << "names compare exactly";
}

} // namespace
} // namespace klv::test

// Reading and writing ID3v1 tags through getid3 and setid3.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using klv::test::messageTexts;
using klv::test::readFile;
using klv::test::writeFile;
using Texts = std::vector<std::string>;

// Stands for the audio in front of a tag; every byte differs from its neighbours so that a
// shifted or overwritten byte shows.
std::string audio(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return bytes;
}

// A tag block: "TAG" and zeros, with fields put at their offsets.
struct Block {
    std::string bytes = std::string("TAG") + std::string(125, '\0');
    Block& put(size_t offset, const std::string& text) {
        bytes.replace(offset, text.size(), text);
        return *this;
    }
    Block& title(const std::string& t) { return put(3, t); }
    Block& comment(const std::string& t) { return put(97, t); }
    Block& year(const std::string& t) { return put(93, t); }
    Block& byte(size_t offset, int value) {
        bytes[offset] = static_cast<char>(value);
        return *this;
    }
};

class Id3Test : public testing::Test {
protected:
    void SetUp() override { klv::engine::setOwnerWindow(klv::test::kPlaylistOwner); }
    void TearDown() override { klv::engine::setOwnerWindow(0); }
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = (dir.path() / name).string();
        writeFile(path, bytes);
        return path;
    }
    // A record full of garbage, to see that getid3 clears it.
    static Id3Record dirty() {
        Id3Record record;
        std::memset(&record, 0x5A, sizeof record);
        return record;
    }
    static bool allZero(const Id3Record& record) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
        return std::all_of(bytes, bytes + sizeof record, [](unsigned char b) { return b == 0; });
    }

    klv::test::TempDir dir;
    klv::test::ScopedWindowSystem windows;
};

// Lower-case suite name: `ctest -R playlist` (or id3) selects these tests.
using id3_tag = Id3Test;

struct ReadCase {
    const char* what;
    Block block;
    const char* title;
    const char* comment;
    int32_t year;
    int32_t track;
    int32_t genre;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.what;
}

class Id3Read : public Id3Test, public testing::WithParamInterface<ReadCase> {};

TEST_P(Id3Read, FieldsFromTheLast128Bytes) {
    const ReadCase& c = GetParam();
    const std::string path = file("song.mp3", audio(1000) + c.block.bytes);
    Id3Record record = dirty();
    ASSERT_EQ(getid3(path.c_str(), &record), 0);
    EXPECT_STREQ(record.title, c.title);
    EXPECT_STREQ(record.comment, c.comment);
    EXPECT_EQ(record.year, c.year);
    EXPECT_EQ(record.track, c.track);
    EXPECT_EQ(record.genre, c.genre);
    EXPECT_STREQ(record.artist, "");
    // Cleared first: the bytes after each text's terminator are zero.
    EXPECT_EQ(record.title[31], 0);
    EXPECT_EQ(record.album[5], 0);
}

const std::string k30 = "abcdefghijklmnopqrstuvwxyz0123";
const std::string k28 = k30.substr(0, 28);

INSTANTIATE_TEST_SUITE_P(
    id3_read, Id3Read,
    testing::Values(
        ReadCase{"empty_tag", Block{}, "", "", 0, 0, 0},
        ReadCase{"title_of_spaces_is_one_space", Block{}.title(std::string(30, ' ')), " ", "", 0, 0,
                 0},
        ReadCase{"trailing_spaces_trimmed", Block{}.title("Abcd" + std::string(26, ' ')), "Abcd",
                 "", 0, 0, 0},
        ReadCase{"full_thirty", Block{}.title(k30), k30.c_str(), "", 0, 0, 0},
        ReadCase{"stops_at_zero", Block{}.title(std::string("ab\0cd", 5)), "ab", "", 0, 0, 0},
        ReadCase{"track_7", Block{}.comment(k30).byte(125, 0).byte(126, 7), "", k28.c_str(), 0, 7,
                 0},
        ReadCase{"track_byte_0", Block{}.comment("c").byte(126, 0), "", "c", 0, 0, 0},
        ReadCase{"track_byte_100", Block{}.byte(125, 0).byte(126, 100), "", "", 0, 0, 0},
        ReadCase{"byte_125_set_means_no_track", Block{}.comment(k30), "", k30.c_str(), 0, 0, 0},
        ReadCase{"year_1998", Block{}.year("1998"), "", "", 1998, 0, 0},
        ReadCase{"year_0030", Block{}.year("0030"), "", "", 1930, 0, 0},
        ReadCase{"year_0005", Block{}.year("0005"), "", "", 2005, 0, 0},
        ReadCase{"year_0099", Block{}.year("0099"), "", "", 1999, 0, 0},
        ReadCase{"year_2099", Block{}.year("2099"), "", "", 2099, 0, 0},
        ReadCase{"year_2100", Block{}.year("2100"), "", "", 0, 0, 0},
        ReadCase{"year_1899", Block{}.year("1899"), "", "", 0, 0, 0},
        ReadCase{"year_spaces", Block{}.year("    "), "", "", 0, 0, 0},
        ReadCase{"year_zero_bytes", Block{}, "", "", 0, 0, 0},
        ReadCase{"year_not_digits", Block{}.year("19a1"), "", "", 0, 0, 0},
        // Digits arithmetic on signed bytes: '2' '0' then 0x30+9 and '/' (one below '0')
        // give 2000 + 90 - 1 = 2089.
        ReadCase{"year_arithmetic_only", Block{}.year("209/"), "", "", 2089, 0, 0},
        ReadCase{"year_high_bytes", Block{}.year("\xFF\xFF\xFF\xFF"), "", "", 0, 0, 0},
        ReadCase{"genre_none", Block{}.byte(127, 255), "", "", 0, 0, -1},
        ReadCase{"genre_200_signed", Block{}.byte(127, 200), "", "", 0, 0, -56},
        ReadCase{"genre_127", Block{}.byte(127, 127), "", "", 0, 0, 127}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(id3_tag, FilesWithoutATagGiveMinusOneAndAClearedRecord) {
    fs::create_directories(dir.path() / "folder.mp3");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.mp3").c_str(), 0600), 0);
    const std::vector<std::string> paths = {
        file("short.mp3", "TAG" + std::string(100, 'x')),
        file("no_tag.mp3", audio(5000)),
        file("tag_not_at_end.mp3", Block{}.title("x").bytes + audio(10)),
        file("empty.mp3", ""),
        (dir.path() / "missing.mp3").string(),
        (dir.path() / "folder.mp3").string(),
        (dir.path() / "pipe.mp3").string(),
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        Id3Record record = dirty();
        EXPECT_EQ(getid3(path.c_str(), &record), -1);
        EXPECT_TRUE(allZero(record));
    }
    Id3Record record = dirty();
    EXPECT_EQ(getid3(nullptr, &record), -1);
    EXPECT_TRUE(allZero(record));
    EXPECT_EQ(getid3(paths[0].c_str(), nullptr), -1);

    const std::string exact = file("exact.mp3", Block{}.title("only").bytes);
    ASSERT_EQ(getid3(exact.c_str(), &record), 0) << "a file of exactly 128 bytes is a tag";
    EXPECT_STREQ(record.title, "only");
}

struct YearCase {
    int32_t given;
    int32_t stored; // also what the caller's record holds afterwards
    std::string digits;
};

void PrintTo(const YearCase& c, std::ostream* os) {
    *os << c.given;
}

const std::string kZeroYear("0\0\0\0", 4);

class Id3WriteYear : public Id3Test, public testing::WithParamInterface<YearCase> {};

TEST_P(Id3WriteYear, NormalisedInTheCallersRecordAndWrittenAsDigits) {
    const YearCase& c = GetParam();
    const std::string path = file("song.mp3", audio(300));
    Id3Record record{};
    record.year = c.given;
    ASSERT_EQ(setid3(path.c_str(), &record), 0);
    EXPECT_EQ(record.year, c.stored);
    const std::string tag = readFile(path).substr(300);
    EXPECT_EQ(tag.substr(93, 4), c.digits);
    Id3Record back{};
    ASSERT_EQ(getid3(path.c_str(), &back), 0);
    EXPECT_EQ(back.year, c.stored);
}

INSTANTIATE_TEST_SUITE_P(id3_write_year, Id3WriteYear,
                         testing::Values(YearCase{5, 2005, "2005"}, YearCase{29, 2029, "2029"},
                                         YearCase{30, 1930, "1930"}, YearCase{99, 1999, "1999"},
                                         YearCase{100, 0, kZeroYear}, YearCase{150, 0, kZeroYear},
                                         YearCase{1900, 1900, "1900"}, YearCase{2099, 2099, "2099"},
                                         YearCase{2100, 0, kZeroYear}, YearCase{-3, 0, kZeroYear},
                                         // No year stays no year (not 2000).
                                         YearCase{0, 0, kZeroYear}));

TEST_F(id3_tag, WrittenBlockHasTheFieldsAtTheirPlaces) {
    const std::string path = file("song.mp3", audio(400));
    Id3Record record{};
    std::memset(record.title, 'T', sizeof record.title); // no terminator at all
    std::strcpy(record.artist, "Artist");
    std::strcpy(record.album, "Album");
    std::strcpy(record.comment, k30.c_str());
    record.year = 2005;
    record.track = 12;
    record.genre = -1;
    ASSERT_EQ(setid3(path.c_str(), &record), 0);

    const std::string expected = Block{}
                                     .title(std::string(30, 'T'))
                                     .put(33, "Artist")
                                     .put(63, "Album")
                                     .year("2005")
                                     .comment(k30)
                                     .byte(125, 0)
                                     .byte(126, 12)
                                     .byte(127, 255)
                                     .bytes;
    EXPECT_EQ(readFile(path), audio(400) + expected);

    Id3Record back{};
    ASSERT_EQ(getid3(path.c_str(), &back), 0);
    EXPECT_STREQ(back.title, std::string(30, 'T').c_str());
    EXPECT_STREQ(back.comment, k28.c_str());
    EXPECT_EQ(back.track, 12);
    EXPECT_EQ(back.genre, -1);
}

TEST_F(id3_tag, TrackOutsideOneToNinetyNineLeavesTheCommentWhole) {
    for (const int32_t track : {0, 100, -1}) {
        SCOPED_TRACE(track);
        const std::string path = file("song.mp3", audio(10));
        Id3Record record{};
        std::strcpy(record.comment, k30.c_str());
        record.track = track;
        record.genre = 200 - 256;
        ASSERT_EQ(setid3(path.c_str(), &record), 0);
        const std::string tag = readFile(path).substr(10);
        EXPECT_EQ(tag.substr(97, 30), k30);
        EXPECT_EQ(static_cast<unsigned char>(tag[127]), 200);
    }
}

TEST_F(id3_tag, AppendsOnceThenReplacesTheLast128Bytes) {
    const std::string sound = audio(2000);
    const std::string path = file("song.mp3", sound);
    Id3Record record{};
    std::strcpy(record.title, "First");
    ASSERT_EQ(setid3(path.c_str(), &record), 0);
    EXPECT_EQ(fs::file_size(path), 2128u);
    std::strcpy(record.title, "Second");
    ASSERT_EQ(setid3(path.c_str(), &record), 0);
    EXPECT_EQ(fs::file_size(path), 2128u) << "the file grows only the first time";
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.substr(0, 2000), sound) << "the audio is untouched";
    Id3Record back{};
    ASSERT_EQ(getid3(path.c_str(), &back), 0);
    EXPECT_STREQ(back.title, "Second");

    const std::string tiny = file("tiny.mp3", "abc");
    ASSERT_EQ(setid3(tiny.c_str(), &record), 0);
    EXPECT_EQ(fs::file_size(tiny), 131u);
    EXPECT_EQ(readFile(tiny).substr(0, 3), "abc");
    EXPECT_TRUE(windows->messages().empty());
}

TEST_F(id3_tag, FilesThatCannotBeWrittenAreReportedAndLeftAlone) {
    fs::create_directories(dir.path() / "folder.mp3");
    struct Case {
        std::string path;
        const char* message;
    };
    const std::vector<Case> cases = {
        {(dir.path() / "missing.mp3").string(),
         "Can't open file for writing: No such file or directory"},
        {(dir.path() / "folder.mp3").string(), "Can't open file for writing: Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        windows->clear();
        Id3Record record{};
        record.year = 5;
        EXPECT_EQ(setid3(c.path.c_str(), &record), -1);
        EXPECT_EQ(record.year, 2005) << "normalised before the file is opened";
        EXPECT_EQ(messageTexts(windows.get()), Texts{c.message});
    }
    EXPECT_FALSE(fs::exists(dir.path() / "missing.mp3")) << "never created";
    Id3Record record{};
    EXPECT_EQ(setid3(nullptr, &record), -1);
}

TEST_F(id3_tag, ReadOnlyFileIsReportedAndLeftAlone) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens read-only files for writing";
    const std::string path = file("ro.mp3", audio(500));
    fs::permissions(path, fs::perms::owner_read);
    Id3Record record{};
    EXPECT_EQ(setid3(path.c_str(), &record), -1);
    EXPECT_EQ(messageTexts(windows.get()), Texts{"Can't open file for writing: Permission denied"});
    EXPECT_EQ(readFile(path), audio(500));
}

TEST_F(id3_tag, FailedWriteIsReportedAndTheFileKeepsItsLength) {
    const std::string sound = audio(1000);
    const std::string path = file("song.mp3", sound);
    Id3Record record{};
    std::strcpy(record.title, "Title");
    {
        // Room for part of the tag only, as on an almost full disk.
        klv::test::FileSizeLimit limit(1050);
        EXPECT_EQ(setid3(path.c_str(), &record), -1);
    }
    EXPECT_EQ(messageTexts(windows.get()), Texts{"Can't open file for writing: File too large"});
    EXPECT_EQ(readFile(path), sound) << "the half-written tag is taken off again";
}

} // namespace

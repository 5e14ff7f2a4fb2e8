#include "platform/store/profile.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace klv::platform;
using klv::test::FileSizeLimit;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

size_t filesIn(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

struct ReadCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    const char* expected; // nullptr: missing
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.what;
}

class ProfileRead : public testing::TestWithParam<ReadCase> {
protected:
    klv::test::TempDir dir;
};

TEST_P(ProfileRead, FindsTheValueBothWays) {
    const ReadCase& c = GetParam();
    const fs::path path = dir.path() / "test.ini";
    writeBytes(path, c.file);

    ProfileSection section;
    ASSERT_TRUE(readProfileSection(path, c.section, section));
    ProfileFile whole;
    ASSERT_TRUE(whole.load(path));
    const auto viaSection = section.find(c.key);
    const auto viaFile = whole.find(c.section, c.key);
    if (c.expected == nullptr) {
        EXPECT_FALSE(viaSection.has_value());
        EXPECT_FALSE(viaFile.has_value());
        EXPECT_EQ(readProfileString(path, c.section, c.key, "dflt", 100), "dflt");
    } else {
        ASSERT_TRUE(viaSection.has_value());
        ASSERT_TRUE(viaFile.has_value());
        EXPECT_EQ(*viaSection, c.expected);
        EXPECT_EQ(*viaFile, c.expected);
        EXPECT_EQ(readProfileString(path, c.section, c.key, "dflt", 100), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    profile_read, ProfileRead,
    testing::Values(
        ReadCase{"plain", "[a]\r\nk=v\r\n", "a", "k", "v"},
        ReadCase{"section_any_case", "[PlayList]\r\nFile1=x.mp3\r\n", "playlist", "file1", "x.mp3"},
        ReadCase{"key_any_case", "[s]\r\nNUMBEROFENTRIES=3\r\n", "S", "NumberOfEntries", "3"},
        ReadCase{"names_and_value_trimmed", "  [ s ]  \n\t k \t=  a b  \n", "s", "k", "a b"},
        ReadCase{"double_quotes_removed", "[s]\nk=\"a b \"\n", "s", "k", "a b "},
        ReadCase{"single_quotes_removed", "[s]\nk='x'\n", "s", "k", "x"},
        ReadCase{"unmatched_quote_kept", "[s]\nk=\"x'\n", "s", "k", "\"x'"},
        ReadCase{"value_keeps_later_equals", "[s]\nk=a=b\n", "s", "k", "a=b"},
        ReadCase{"empty_value", "[s]\nk=\n", "s", "k", ""},
        ReadCase{"lf_only", "[s]\nk=1\nj=2\n", "s", "j", "2"},
        ReadCase{"cr_only", "[s]\rk=1\rj=2\r", "s", "j", "2"},
        ReadCase{"last_line_without_end", "[s]\r\nk=last", "s", "k", "last"},
        ReadCase{"byte_order_mark", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1"},
        ReadCase{"first_key_wins", "[s]\nk=1\nK=2\n", "s", "k", "1"},
        ReadCase{"first_section_wins", "[s]\nj=1\n[S]\nk=2\n", "s", "k", nullptr},
        ReadCase{"key_in_other_section", "[a]\nk=1\n[b]\nj=2\n", "b", "k", nullptr},
        ReadCase{"keys_before_first_section", "k=top\n[a]\nk=1\n", "", "k", "top"},
        ReadCase{"section_of_spaces_is_the_keys_before_first", "k=top\n[a]\nk=1\n", " \t", "k",
                 "top"},
        ReadCase{"path_with_bracket_as_section", "[/m/[2005] a.mp3]\nEQ 1=6\n", "/m/[2005] a.mp3",
                 "eq 1", "6"},
        ReadCase{"comment_is_no_key", "[s]\n;k=1\n", "s", ";k", nullptr},
        ReadCase{"line_without_equals_is_no_key", "[s]\nk\n", "s", "k", nullptr},
        ReadCase{"missing_section", "[a]\nk=1\n", "b", "k", nullptr},
        ReadCase{"asked_names_trimmed", "[s]\nk=1\n", " s ", "\tk ", "1"},
        ReadCase{"empty_file", "", "a", "k", nullptr}),
    [](const auto& info) { return std::string(info.param.what); });

struct IntCase {
    const char* what;
    const char* value; // nullptr: key missing
    int32_t expected;
};

void PrintTo(const IntCase& c, std::ostream* os) {
    *os << c.what;
}

class ProfileInt : public testing::TestWithParam<IntCase> {};

TEST_P(ProfileInt, ReadsLikeThePrivateProfileFunctions) {
    const IntCase& c = GetParam();
    std::optional<std::string_view> value;
    if (c.value != nullptr)
        value = c.value;
    EXPECT_EQ(profileInt(value, 77), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    profile_int, ProfileInt,
    testing::Values(IntCase{"missing", nullptr, 77}, IntCase{"empty", "", 77},
                    IntCase{"plain", "12", 12}, IntCase{"negative", "-7", -7},
                    IntCase{"plus", "+3", 3}, IntCase{"digits_then_text", "12abc", 12},
                    IntCase{"text", "abc", 0}, IntCase{"sign_only", "-", 0},
                    IntCase{"hex_is_not_read", "0x10", 0},
                    IntCase{"too_large", "99999999999", std::numeric_limits<int32_t>::max()},
                    IntCase{"too_small", "-99999999999", std::numeric_limits<int32_t>::min()}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(profile_read_limits, ValueCutToMaximumLengthAndQuotedNumbersRead) {
    klv::test::TempDir dir;
    const fs::path path = dir.path() / "t.ini";
    writeBytes(path, "[s]\r\nlong=abcdefgh\r\nq=\"42\"\r\n");
    EXPECT_EQ(readProfileString(path, "s", "long", "", 3), "abc");
    EXPECT_EQ(readProfileInt(path, "s", "q", 0), 42);
    EXPECT_EQ(readProfileInt(dir.path() / "missing.ini", "s", "q", 5), 5);
    ProfileSection section;
    errno = 0;
    EXPECT_FALSE(readProfileSection(dir.path() / "missing.ini", "s", section));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(readProfileSection(dir.path(), "s", section));
    EXPECT_EQ(errno, EISDIR);
}

struct WriteCase {
    const char* what;
    std::string before; // "\x01" marks a missing file
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.what;
}

class ProfileWrite : public testing::TestWithParam<WriteCase> {
protected:
    klv::test::TempDir dir;
};

// Every case sets "EQ 2" = 5 in section "/m/a.mp3".
TEST_P(ProfileWrite, RewritesOnlyTheKeysLine) {
    const WriteCase& c = GetParam();
    const fs::path path = dir.path() / "klv.eq";
    if (c.before != "\x01")
        writeBytes(path, c.before);
    ASSERT_TRUE(writeProfileString(path, "/m/a.mp3", "EQ 2", "5"));
    EXPECT_EQ(readBytes(path), c.after);
    EXPECT_EQ(readProfileInt(path, "/M/A.MP3", "eq 2", 0), 5);
    EXPECT_EQ(filesIn(dir.path()), 1u) << "no temporary file left behind";
}

INSTANTIATE_TEST_SUITE_P(
    profile_write, ProfileWrite,
    testing::Values(WriteCase{"new_file", "\x01", "[/m/a.mp3]\r\nEQ 2=5\r\n"},
                    WriteCase{"empty_file", "", "[/m/a.mp3]\r\nEQ 2=5\r\n"},
                    WriteCase{
                        "replaced_in_place_other_lines_kept",
                        "; songs\n[/m/a.mp3]\nEQ 1=6\neq 2 = 1\nEQ 3=0\n[/m/b.mp3]\nEQ 2=9\n",
                        "; songs\n[/m/a.mp3]\nEQ 1=6\nEQ 2=5\r\nEQ 3=0\n[/m/b.mp3]\nEQ 2=9\n"},
                    WriteCase{"added_at_end_of_its_section",
                              "[/M/A.MP3]\r\nEQ 1=6\r\n\r\n[/m/b.mp3]\r\nEQ 2=9\r\n",
                              "[/M/A.MP3]\r\nEQ 1=6\r\nEQ 2=5\r\n\r\n[/m/b.mp3]\r\nEQ 2=9\r\n"},
                    WriteCase{"section_appended", "[/m/b.mp3]\r\nEQ 2=9\r\n",
                              "[/m/b.mp3]\r\nEQ 2=9\r\n\r\n[/m/a.mp3]\r\nEQ 2=5\r\n"},
                    WriteCase{"appended_after_last_line_without_end", "[/m/b.mp3]\nEQ 2=9",
                              "[/m/b.mp3]\nEQ 2=9\r\n\r\n[/m/a.mp3]\r\nEQ 2=5\r\n"},
                    WriteCase{"added_to_last_section_without_end", "[/m/a.mp3]\nEQ 1=6",
                              "[/m/a.mp3]\nEQ 1=6\r\nEQ 2=5\r\n"},
                    WriteCase{"only_first_of_duplicate_sections",
                              "[/m/a.mp3]\r\nEQ 1=1\r\n[/m/a.mp3]\r\nEQ 2=2\r\n",
                              "[/m/a.mp3]\r\nEQ 1=1\r\nEQ 2=5\r\n[/m/a.mp3]\r\nEQ 2=2\r\n"},
                    WriteCase{"byte_order_mark_kept", "\xEF\xBB\xBF[/m/a.mp3]\r\n",
                              "\xEF\xBB\xBF[/m/a.mp3]\r\nEQ 2=5\r\n"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(profile_file, ManyKeysSetAndSavedOnceReadBack) {
    klv::test::TempDir dir;
    const fs::path path = dir.path() / "list.pls";
    ProfileFile file;
    ASSERT_TRUE(file.load(path)); // missing: an empty profile
    file.set("playlist", "NumberOfEntries", "10000");
    for (int k = 1; k <= 10000; ++k)
        file.set("playlist", "File" + std::to_string(k), "song" + std::to_string(k) + ".mp3");
    file.set("PLAYLIST", "file5000", "changed.mp3");
    ASSERT_TRUE(file.save(path));

    const std::string bytes = readBytes(path);
    EXPECT_TRUE(bytes.starts_with("[playlist]\r\nNumberOfEntries=10000\r\nFile1=song1.mp3\r\n"));
    EXPECT_TRUE(bytes.ends_with("File10000=song10000.mp3\r\n"));
    ProfileSection section;
    ASSERT_TRUE(readProfileSection(path, "Playlist", section));
    EXPECT_EQ(section.entries().size(), 10001u);
    EXPECT_EQ(section.getInt("numberofentries", 0), 10000);
    EXPECT_EQ(section.getString("FILE5000", "", 254), "changed.mp3");
    EXPECT_EQ(section.getString("File9999", "", 254), "song9999.mp3");

    ProfileFile again;
    ASSERT_TRUE(again.load(path));
    ASSERT_TRUE(again.save(path));
    EXPECT_EQ(readBytes(path), bytes) << "an unchanged profile is written back byte for byte";
}

TEST(profile_file, ValueEndsAtItsFirstLineEndSoTheFileKeepsItsLines) {
    klv::test::TempDir dir;
    const fs::path path = dir.path() / "t.ini";
    ASSERT_TRUE(writeProfileString(path, " s ", " k ", "one\r\n[s]\r\nk=two"));
    EXPECT_EQ(readBytes(path), "[s]\r\nk=one\r\n");
}

TEST(profile_file, FailedRewriteKeepsTheOldFile) {
    klv::test::TempDir dir;
    const fs::path path = dir.path() / "klv.eq";
    const std::string old = "[/m/a.mp3]\r\nEQ 1=6\r\n";
    writeBytes(path, old);
    {
        FileSizeLimit limit(256);
        errno = 0;
        EXPECT_FALSE(writeProfileString(path, "/m/a.mp3", "EQ 2", std::string(1000, '7')));
        EXPECT_EQ(errno, EFBIG);
    }
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(filesIn(dir.path()), 1u) << "the temporary file is removed";

    errno = 0;
    EXPECT_FALSE(writeProfileString(dir.path() / "no-folder" / "x.ini", "s", "k", "v"));
    EXPECT_EQ(errno, ENOENT);
}

TEST(profile_file, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    klv::test::TempDir dir;
    const fs::path folder = dir.path() / "ro";
    fs::create_directory(folder);
    const fs::path path = folder / "klv.eq";
    writeBytes(path, "[s]\r\nk=1\r\n");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    errno = 0;
    EXPECT_FALSE(writeProfileString(path, "s", "k", "2"));
    EXPECT_EQ(errno, EACCES);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
}

TEST(profile_file, OverlongLinesAreSkippedWhenReadingAndKeptWhenRewriting) {
    klv::test::TempDir dir;
    const fs::path path = dir.path() / "big.ini";
    const std::string longValue(kProfileLineLimit * 8, 'x');
    const std::string before = "[a]\r\nk=1\r\nlong=" + longValue + "\r\nj=2\r\n[" + longValue +
                               "]\r\nk=hidden\r\n[b]\r\nk=3\n";
    writeBytes(path, before);

    ProfileSection a;
    ASSERT_TRUE(readProfileSection(path, "a", a));
    EXPECT_EQ(a.find("k"), "1");
    EXPECT_EQ(a.find("j"), "2");
    EXPECT_FALSE(a.find("long").has_value());
    EXPECT_EQ(a.entries().size(), 2u) << "a header too long to read ends section a";
    EXPECT_EQ(readProfileString(path, "b", "k", "", 10), "3");

    ASSERT_TRUE(writeProfileString(path, "b", "n", "4"));
    EXPECT_EQ(readBytes(path), before + "n=4\r\n");
}

TEST(profile_file, OverlongLineFromAFileChangedSinceLoadingFailsInsteadOfLosingIt) {
    klv::test::TempDir dir;
    const fs::path path = dir.path() / "big.ini";
    writeBytes(path, "[a]\r\n" + std::string(kProfileLineLimit + 1, 'y') + "\r\n");
    ProfileFile file;
    ASSERT_TRUE(file.load(path));
    writeBytes(path, "[a]\r\nreplaced=1\r\n");
    file.set("a", "k", "v");
    errno = 0;
    EXPECT_FALSE(file.save(path));
    EXPECT_EQ(errno, ESTALE);
    EXPECT_EQ(readBytes(path), "[a]\r\nreplaced=1\r\n");
}

TEST(profile_file, BinaryGarbageReadsWithoutHarm) {
    klv::test::TempDir dir;
    const fs::path path = dir.path() / "noise.ini";
    std::mt19937 random(7);
    std::string noise(1 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    writeBytes(path, noise);
    ProfileSection section;
    EXPECT_TRUE(readProfileSection(path, "playlist", section));
    ProfileFile file;
    ASSERT_TRUE(file.load(path));
    file.set("playlist", "k", "v");
    ASSERT_TRUE(file.save(path));
    const std::string after = readBytes(path);
    EXPECT_TRUE(after.starts_with(noise)) << "every byte of the old file kept";
    EXPECT_EQ(readProfileString(path, "playlist", "k", "", 10), "v");
}

} // namespace

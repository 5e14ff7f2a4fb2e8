// Reading a file's own tags through klvGetTags: every container's tag in full length, the
// older ID3 versions, APE, cut texts, and files that are not audio.

#include "tests/engine/tags/tag_test_util.h"

#include <gtest/gtest.h>

#include <taglib/apetag.h>
#include <taglib/flacfile.h>
#include <taglib/mpegfile.h>
#include <taglib/xiphcomment.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

namespace klv::test::tags {
namespace {

const std::string kTitle = "Ünïcødé – 日本";
const std::string kComment = "A comment longer than thirty characters – ünïcødé 日本";
// What FFmpeg wrote into every fixture (see tag_fixtures.cmake).
const Texts kWritten{kTitle, "Åŕtïst", "Älbüm", "1999", "Rock", kComment, "3/12", "128", "Am"};

Texts without(Texts texts, bool bpmAndKey) {
    if (!bpmAndKey)
        texts.bpm = texts.key = "";
    return texts;
}

struct ReadCase {
    const char* file;
    Texts expected;
};

TEST(TagRead, EveryContainerGivesItsOwnTagInFull) {
    const ReadCase cases[] = {
        {"id3v24.mp3", kWritten},
        // ID3v2 wins over the ID3v1 tag at the end, which holds 28 bytes of the comment.
        {"id3v23_v1.mp3", kWritten},
        {"tagged.flac", kWritten},
        {"tagged.ogg", kWritten},
        {"tagged.opus", kWritten},
        // FFmpeg writes no BPM or key atom; the write test covers them.
        {"aac.m4a", without(kWritten, false)},
        {"alac.m4a", without(kWritten, false)},
        // The RIFF INFO list has no BPM or key.
        {"tagged.wav", without(kWritten, false)},
        {"tagged.aiff", kWritten},
        {"untagged.mp3", Texts{}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.file);
        bool ok = false;
        EXPECT_EQ(readTags(fixture(c.file), &ok), c.expected);
        EXPECT_TRUE(ok);
    }
}

// Only an ID3v1 tag, as the program's own ID3v1 editor writes it: the genre is a number that
// reads as its name.
TEST(TagRead, AnId3v1TagAloneIsRead) {
    TempDir dir;
    const std::string path = placeFixture(dir, "untagged.mp3");
    Id3Record record{};
    std::strcpy(record.title, "Plain Title");
    std::strcpy(record.artist, "Plain Artist");
    std::strcpy(record.album, "Plain Album");
    std::strcpy(record.comment, "Twenty-eight characters long");
    record.year = 1999;
    record.track = 3;
    record.genre = 17;
    ASSERT_EQ(setid3(path.c_str(), &record), 0);
    EXPECT_EQ(readTags(path), (Texts{"Plain Title", "Plain Artist", "Plain Album", "1999", "Rock",
                                     "Twenty-eight characters long", "3", "", ""}));
}

std::string syncsafe(size_t size) {
    return {static_cast<char>((size >> 21) & 0x7F), static_cast<char>((size >> 14) & 0x7F),
            static_cast<char>((size >> 7) & 0x7F), static_cast<char>(size & 0x7F)};
}

// An ID3v2.2 frame: three-letter id, three-byte size, Latin-1 text.
std::string frame22(const char* id, const std::string& body) {
    const size_t size = body.size();
    return std::string(id, 3) + static_cast<char>((size >> 16) & 0xFF) +
           static_cast<char>((size >> 8) & 0xFF) + static_cast<char>(size & 0xFF) + body;
}

std::string text22(const char* id, const std::string& text) {
    return frame22(id, std::string(1, '\0') + text);
}

// No tool writes version 2.2 any more, so the test builds one: three-letter frames, the genre
// as "(17)", a comment with a language.
TEST(TagRead, AnId3v22TagIsRead) {
    TempDir dir;
    const std::string frames =
        text22("TT2", "Old Title") + text22("TP1", "Old Artist") + text22("TAL", "Old Album") +
        text22("TCO", "(17)") + text22("TYE", "1987") + text22("TRK", "5") + text22("TBP", "140") +
        text22("TKE", "Dm") +
        frame22("COM", std::string("\0eng\0", 5) + "A comment in a version 2.2 tag");
    const std::string tag = std::string("ID3\x02\x00\x00", 6) + syncsafe(frames.size() + 32) +
                            frames + std::string(32, '\0');
    const std::string path = (dir.path() / "old.mp3").string();
    writeBytes(path, tag + readBytes(fixture("untagged.mp3")));
    EXPECT_EQ(readTags(path), (Texts{"Old Title", "Old Artist", "Old Album", "1987", "Rock",
                                     "A comment in a version 2.2 tag", "5", "140", "Dm"}));
}

TEST(TagRead, AnApeTagInAnMp3IsRead) {
    TempDir dir;
    const std::string path = placeFixture(dir, "untagged.mp3");
    {
        TagLib::MPEG::File file(path.c_str(), false);
        TagLib::APE::Tag* ape = file.APETag(true);
        ape->addValue("Title", TagLib::String(kTitle, TagLib::String::UTF8));
        ape->addValue("Artist", "APE Artist");
        ape->addValue("Year", "2003");
        ape->addValue("Track", "9");
        ape->addValue("BPM", "174");
        ape->addValue("INITIALKEY", "C#m");
        ASSERT_TRUE(file.save(TagLib::MPEG::File::APE, TagLib::File::StripNone));
    }
    EXPECT_EQ(readTags(path), (Texts{kTitle, "APE Artist", "", "2003", "", "", "9", "174", "C#m"}));
}

// A text longer than its field is cut where a character ends, never inside one.
TEST(TagRead, LongTextsAreCutAtACharacterBoundary) {
    TempDir dir;
    const std::string path = placeFixture(dir, "tagged.flac");
    std::string title;
    for (int i = 0; i < 600; ++i)
        title += "é"; // two bytes each: 1023 bytes would end inside one
    const std::string key = std::string(30, 'k') + "é";
    {
        TagLib::FLAC::File file(path.c_str(), false);
        file.xiphComment()->addField("TITLE", TagLib::String(title, TagLib::String::UTF8));
        file.xiphComment()->addField("INITIALKEY", TagLib::String(key, TagLib::String::UTF8));
        ASSERT_TRUE(file.save());
    }
    const Texts tags = readTags(path);
    EXPECT_EQ(tags.title, title.substr(0, 1022));
    EXPECT_EQ(tags.key, key.substr(0, 30)) << "31 bytes would split the \"é\"";
    EXPECT_EQ(tags.artist, kWritten.artist);
}

// A file that is not audio, whatever its name says, gives -1 and a cleared record.
TEST(TagRead, WhatIsNotAudioGivesMinusOne) {
    TempDir dir;
    const std::string text = "This is a text file and no song at all.\n";
    std::string noise(50000, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::pair<const char*, std::string> files[] = {
        {"text.flac", text}, {"text.mp3", text},   {"noise.mp3", noise}, {"noise.m4a", noise},
        {"text.ogg", text},  {"text.wav", text},   {"empty.flac", ""},   {"noise.aiff", noise},
        {"text.opus", text}, {"noise.txt", noise},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = (dir.path() / name).string();
        writeBytes(path, bytes);
        bool ok = true;
        EXPECT_EQ(readTags(path, &ok), Texts{});
        EXPECT_FALSE(ok);
    }
    const std::string fifo = (dir.path() / "pipe.mp3").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    bool ok = true;
    readTags(fifo, &ok);
    EXPECT_FALSE(ok) << "a pipe named like a song is refused, not waited on";
    readTags((dir.path() / "missing.mp3").string(), &ok);
    EXPECT_FALSE(ok);
    readTags(dir.path().string(), &ok);
    EXPECT_FALSE(ok);
    KlvTags tags{};
    EXPECT_EQ(klvGetTags(nullptr, &tags), -1);
    EXPECT_EQ(klvGetTags(fixture("tagged.flac").c_str(), nullptr), -1);
}

// getid3 keeps reading the ID3v1 tag, however much more the ID3v2 tag holds.
TEST(TagRead, Getid3StillReadsTheId3v1Tag) {
    Id3Record record{};
    ASSERT_EQ(getid3(fixture("id3v23_v1.mp3").c_str(), &record), 0);
    EXPECT_EQ(record.year, 1999);
    EXPECT_EQ(record.track, 3);
    EXPECT_EQ(record.genre, 17) << "Rock";
    EXPECT_LE(std::strlen(record.comment), 28u);
    EXPECT_EQ(std::string(record.comment).rfind("A comment longer than", 0), 0u);
    EXPECT_EQ(getid3(fixture("id3v24.mp3").c_str(), &record), -1) << "no ID3v1 tag";
    EXPECT_EQ(readTags(fixture("id3v23_v1.mp3")).comment, kComment);
}

} // namespace
} // namespace klv::test::tags

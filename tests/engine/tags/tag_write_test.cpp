// Writing a file's own tags through klvSetTags: every container's texts read back, every other
// frame and the audio kept, ID3v1 kept in step, and a failed write leaving the song whole.

#include "tests/engine/tags/tag_test_util.h"
#include "tests/support/file_size_limit.h"

#include <gtest/gtest.h>

#include <taglib/flacfile.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/xiphcomment.h>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace klv::test::tags {
namespace {

namespace fs = std::filesystem;

std::string repeated(const std::string& piece, size_t bytes) {
    std::string text;
    while (text.size() + piece.size() <= bytes)
        text += piece;
    return text;
}

// Long album and comment texts make every tag outgrow the room the encoder left for it, so the
// audio behind it must move.
const Texts kEdited{"Nëw Tïtle – 新しい",
                    "Ärtist Twø",
                    repeated("Älbüm – 日本 ", 1000),
                    "2024-05-01",
                    "Electronic",
                    repeated("A much longer comment – ünïcødé ", 1000),
                    "4/10",
                    "126",
                    "F#m"};

std::string setTags(const std::string& path, const Texts& texts) {
    const KlvTags tags = toTags(texts);
    char reason[KLV_TAG_REASON];
    std::memset(reason, 'x', sizeof reason);
    const int32_t result = klvSetTags(path.c_str(), &tags, reason);
    EXPECT_NE(std::memchr(reason, '\0', sizeof reason), nullptr);
    if (result == 0) {
        EXPECT_STREQ(reason, "");
        return "ok";
    }
    EXPECT_EQ(result, -1);
    return reason;
}

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

const char* const kContainers[] = {"id3v24.mp3", "id3v23_v1.mp3", "untagged.mp3", "tagged.flac",
                                   "tagged.ogg", "tagged.opus",   "aac.m4a",      "alac.m4a",
                                   "tagged.wav", "tagged.aiff",   "long.mp3"};

TEST(TagWrite, EditedTagsReadBackAndEverythingElseStays) {
    for (const char* name : kContainers) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = placeFixture(dir, name);
        addExtras(path);
        ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
        const auto others = otherFrames(path);
        const std::string audio = audioDigest(path);
        ASSERT_GE(others.size(), 3u) << "cover art, lyrics and replay gain to keep";

        EXPECT_EQ(setTags(path, kEdited), "ok");
        EXPECT_EQ(readTags(path), kEdited);
        EXPECT_EQ(otherFrames(path), others);
        EXPECT_EQ(audioDigest(path), audio);

        // Empty texts remove the fields.
        EXPECT_EQ(setTags(path, Texts{}), "ok");
        EXPECT_EQ(readTags(path), Texts{});
        EXPECT_EQ(otherFrames(path), others);
        EXPECT_EQ(audioDigest(path), audio);

        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << "the replacement keeps the permissions";
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{name})
            << "no copy left behind";
    }
}

TEST(TagWrite, AnMp3GetsAnId3v24Tag) {
    for (const char* name : {"id3v23_v1.mp3", "untagged.mp3"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = placeFixture(dir, name);
        EXPECT_EQ(setTags(path, kEdited), "ok");
        TagLib::MPEG::File file(path.c_str(), false);
        ASSERT_TRUE(file.hasID3v2Tag());
        EXPECT_EQ(file.ID3v2Tag()->header()->majorVersion(), 4u);
    }
}

// An ID3v1 tag the file has follows the edit (as far as it can hold it); a file without one
// does not get one.
TEST(TagWrite, AnId3v1TagIsKeptInStepAndNeverAdded) {
    TempDir dir;
    const Texts plain{"Plain Title", "Plain Artist", "Plain Album",
                      "2001",        "Jazz",         "A comment that ID3v1 must cut short",
                      "7/9",         "99",           "Em"};
    const std::string both = placeFixture(dir, "id3v23_v1.mp3");
    EXPECT_EQ(setTags(both, plain), "ok");
    Id3Record record{};
    ASSERT_EQ(getid3(both.c_str(), &record), 0);
    EXPECT_STREQ(record.title, "Plain Title");
    EXPECT_STREQ(record.artist, "Plain Artist");
    EXPECT_STREQ(record.album, "Plain Album");
    EXPECT_STREQ(record.comment, "A comment that ID3v1 must cu");
    EXPECT_EQ(record.year, 2001);
    EXPECT_EQ(record.track, 7);
    EXPECT_EQ(record.genre, 8) << "Jazz";
    EXPECT_EQ(readTags(both), plain) << "ID3v2 holds the whole texts";

    for (const char* name : {"id3v24.mp3", "untagged.mp3"}) {
        SCOPED_TRACE(name);
        const std::string path = placeFixture(dir, name);
        EXPECT_EQ(setTags(path, plain), "ok");
        EXPECT_EQ(getid3(path.c_str(), &record), -1) << "no ID3v1 tag was added";
        const std::string bytes = readBytes(path);
        EXPECT_NE(bytes.substr(bytes.size() - 128, 3), "TAG");
    }
}

// A field left as read keeps its frames: here two artists in two Vorbis fields. And a write
// that changes nothing leaves the file as it is.
TEST(TagWrite, UnchangedFieldsKeepTheirFrames) {
    TempDir dir;
    const std::string path = placeFixture(dir, "tagged.flac");
    {
        TagLib::FLAC::File file(path.c_str(), false);
        file.xiphComment()->addField("ARTIST", "Second Artist", false);
        ASSERT_TRUE(file.save());
    }
    Texts texts = readTags(path);
    EXPECT_EQ(texts.artist, "Åŕtïst; Second Artist");
    const std::string before = readBytes(path);
    EXPECT_EQ(setTags(path, texts), "ok");
    EXPECT_TRUE(readBytes(path) == before);

    texts.title = "Another Title";
    EXPECT_EQ(setTags(path, texts), "ok");
    TagLib::FLAC::File file(path.c_str(), false);
    EXPECT_EQ(file.xiphComment()->fieldListMap()["ARTIST"].size(), 2u);
    EXPECT_EQ(readTags(path), texts);
}

// An MP4 track and BPM are numbers: a text that is none is refused, the file untouched.
TEST(TagWrite, AnM4aRefusesATrackThatIsNoNumber) {
    TempDir dir;
    const std::string path = placeFixture(dir, "aac.m4a");
    const std::string before = readBytes(path);
    Texts texts = readTags(path);
    texts.track = "side A";
    EXPECT_EQ(setTags(path, texts), "An M4A file holds the track as a number, such as 3 or 3/12");
    texts.track = "3";
    texts.bpm = "fast";
    EXPECT_EQ(setTags(path, texts), "An M4A file holds the BPM as a whole number");
    EXPECT_TRUE(readBytes(path) == before);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"aac.m4a"});
}

TEST(TagWrite, WhatIsNotAudioIsRefused) {
    TempDir dir;
    const std::string path = (dir.path() / "text.flac").string();
    writeBytes(path, "This is a text file and no song at all.\n");
    EXPECT_EQ(setTags(path, kEdited), "The file is not audio whose tags can be written");
    EXPECT_EQ(readBytes(path), "This is a text file and no song at all.\n");
    EXPECT_EQ(setTags((dir.path() / "missing.mp3").string(), kEdited), "The file does not exist");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"text.flac"});
    char reason[KLV_TAG_REASON];
    EXPECT_EQ(klvSetTags(path.c_str(), nullptr, reason), -1);
    EXPECT_EQ(klvSetTags(path.c_str(), nullptr, nullptr), -1);
}

// ---- Failed writes ---------------------------------------------------------------------

// Root passes every permission check; for the read-only cases this thread gives up the
// capabilities that let it (they stay permitted and come back at the end).
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct data[2];
        std::memcpy(data, m_saved, sizeof data);
        for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            data[cap / 32].effective &= ~(1u << (cap % 32));
        m_dropped = ::syscall(SYS_capset, &m_header, data) == 0;
    }
    ~WithoutPermissionOverride() {
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

// A small file system of its own (root only), to fill or to turn read-only.
class SmallDisk {
public:
    SmallDisk(const fs::path& at, size_t bytes) : m_at(at) {
        fs::create_directory(at);
        const std::string options = "size=" + std::to_string(bytes);
        m_mounted = ::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(m_at.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }
    bool makeReadOnly() {
        return ::mount(nullptr, m_at.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path m_at;
    bool m_mounted = false;
};

enum class Failure { ReadOnlyFile, ReadOnlyFolder, FullDisk, ReadOnlyDisk, FileSizeLimit };

struct FailureCase {
    Failure failure;
    const char* what;
    const char* reason;
};

TEST(TagWrite, AFailedWriteLeavesTheSongByteForByte) {
    const FailureCase cases[] = {
        {Failure::ReadOnlyFile, "read-only file", "The file is read-only"},
        {Failure::ReadOnlyFolder, "read-only folder", "The folder is read-only"},
        {Failure::FullDisk, "full disk", "Not enough space on the disk"},
        {Failure::ReadOnlyDisk, "read-only disk", "The disk is read-only"},
        {Failure::FileSizeLimit, "file size limit", "The file is too large for the disk"},
    };
    for (const char* name : {"id3v23_v1.mp3", "tagged.flac", "alac.m4a", "tagged.wav"}) {
        for (const FailureCase& c : cases) {
            SCOPED_TRACE(std::string(name) + ", " + c.what);
            if (c.failure == Failure::FileSizeLimit && std::string(name) == "tagged.flac")
                continue; // the padding FFmpeg leaves holds the edited tag: nothing grows
            TempDir dir;
            const std::string original = readBytes(fixture(name));
            std::unique_ptr<SmallDisk> disk;
            fs::path folder = dir.path() / "songs";
            if (c.failure == Failure::FullDisk || c.failure == Failure::ReadOnlyDisk) {
                // Room for the song and a little, not for a copy of it.
                disk = std::make_unique<SmallDisk>(folder, original.size() + 8192);
                if (!disk->mounted()) {
                    std::printf("No %s for %s: mounting needs root\n", c.what, name);
                    continue;
                }
            } else {
                fs::create_directory(folder);
            }
            const std::string path = (folder / name).string();
            writeBytes(path, original);
            ASSERT_TRUE(readBytes(path) == original);
            std::unique_ptr<WithoutPermissionOverride> plainUser;
            std::unique_ptr<FileSizeLimit> limit;
            switch (c.failure) {
            case Failure::ReadOnlyFile:
                ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
                plainUser = std::make_unique<WithoutPermissionOverride>();
                break;
            case Failure::ReadOnlyFolder:
                ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
                plainUser = std::make_unique<WithoutPermissionOverride>();
                break;
            case Failure::ReadOnlyDisk:
                ASSERT_TRUE(disk->makeReadOnly());
                break;
            case Failure::FileSizeLimit:
                // The copy fits; the grown tag does not.
                limit = std::make_unique<FileSizeLimit>(original.size() + 100);
                break;
            case Failure::FullDisk:
                break;
            }
            EXPECT_EQ(setTags(path, kEdited), c.reason);
            limit.reset();
            plainUser.reset();
            EXPECT_TRUE(readBytes(path) == original) << "the song is byte for byte as it was";
            EXPECT_EQ(folderEntries(folder), std::vector<std::string>{name})
                << "no copy left behind";
            ::chmod(folder.c_str(), 0755);
        }
    }
}

} // namespace
} // namespace klv::test::tags

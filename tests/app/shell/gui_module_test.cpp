// The shared GUI module: text and path helpers, message routing, playable files, the re-open
// rule, drives, screen units, help and about.

#include "app/shell/default_options.h"
#include "app/shell/drive_kind.h"
#include "app/shell/help_about.h"
#include "app/shell/message_route.h"
#include "app/shell/playable.h"
#include "app/shell/screen_units.h"
#include "app/shell/text_helpers.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_home.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace klv::app {
namespace {

using platform::kMbHelp;
using platform::kMbIconExclamation;
using platform::kMbIconInformation;
using platform::kMbOk;
namespace fs = std::filesystem;

TEST(TextHelpers, CutAtNulAndCutOrTrim) {
    const struct {
        QString text;
        QString cut;     // cutAtNul
        QString trimmed; // cutOrTrim
    } cases[] = {
        {QString::fromLatin1("abc\0def", 7), "abc", "abc"},
        {QString::fromLatin1(" ab \0 cd", 8), " ab ", " ab "}, // before the zero nothing is trimmed
        {"  Lounge Set  ", "", "Lounge Set"},                  // no zero: an unfinished buffer
        {"", "", ""},
        {QString::fromLatin1("\0", 1), "", ""},
        {"\tTab ", "", "\tTab"}, // only spaces are trimmed
    };
    for (const auto& c : cases) {
        QString text = c.text;
        cutAtNul(text);
        EXPECT_EQ(text, c.cut) << c.text.toStdString();
        EXPECT_EQ(cutOrTrim(c.text), c.trimmed) << c.text.toStdString();
    }
}

TEST(TextHelpers, EngineBufferIsReadUpToItsZeroAndNeverPastItsSize) {
    const char full[4] = {'a', 'b', 'c', 'd'}; // no zero byte
    EXPECT_EQ(fromEngineBuffer(full, sizeof full), "");
    const char filled[8] = "K\xC3\xB6ln";
    EXPECT_EQ(fromEngineBuffer(filled, sizeof filled), QString::fromUtf8("K\xC3\xB6ln"));
    EXPECT_EQ(fromEngineBuffer(nullptr, 10), "");
}

TEST(TextHelpers, FolderOfAndFileNameOf) {
    const struct {
        const char* path;
        const char* folder;
        const char* name;
    } cases[] = {
        {"/music/live/set.mp3", "/music/live", "set.mp3"},
        {"/music/live/", "/music", ""}, // one trailing "/" goes before the folder is taken
        {"/music/live", "/music", "live"},
        {"/music", "/", "music"}, // directly below the root: the root
        {"/", "/", ""},
        {"song.mp3", "song.mp3", "song.mp3"}, // no separator: the whole text
        {"", "", ""},
        {"music/", "music", ""},
        {"C:\\Music\\song.mp3", "C:\\Music\\song.mp3", "C:\\Music\\song.mp3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(folderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(fileNameOf(c.path), c.name) << c.path;
    }
}

// A message target as the main window is one, recording what reaches its status bar.
class RecordingTarget final : public MessageTarget {
public:
    explicit RecordingTarget(int32_t level) : m_level(level) {}
    int32_t statusLevel() const override { return m_level; }
    platform::WindowHandle messageOwner() const override { return 0x5150; }
    void showStatusMessage(const QString& text, int32_t level, int32_t help) override {
        shown.push_back(text.toStdString() + "/" + std::to_string(level) + "/" +
                        std::to_string(help));
    }
    std::vector<std::string> shown;

private:
    int32_t m_level;
};

TEST(RouteMessage, StatusBarUpToStatusLevelBoxesAbove) {
    const struct {
        int32_t statusLevel;
        int32_t level;
        int32_t help;
        const char* caption; // null: the status bar
        uint32_t flags;
    } cases[] = {
        {2, 2, 0, nullptr, 0},
        {2, 0, 0, nullptr, 0},
        {2, 2, 7, nullptr, 0}, // the status bar keeps the topic for its Details button
        {1, 2, 0, "KLV Error", kMbOk | kMbIconExclamation},
        {1, 2, 12, "KLV Error", kMbOk | kMbIconExclamation | kMbHelp},
        {0, 1, 0, "KLV Warning", kMbOk | kMbIconInformation},
        {0, 1, 3, "KLV Warning", kMbOk | kMbIconInformation | kMbHelp},
        {1, 5, 0, "KLV Error", kMbOk | kMbIconExclamation},
        {-1, 0, -4, "KLV Error", kMbOk | kMbIconExclamation}, // no topic below 1
    };
    for (const auto& c : cases) {
        test::ScopedHeadless windows;
        RecordingTarget target(c.statusLevel);
        routeMessageTo(&target, "Can't determine file type: /music/a.xyz", c.level, c.help);
        const auto boxes = windows.system.boxes();
        if (!c.caption) {
            EXPECT_TRUE(boxes.empty());
            ASSERT_EQ(target.shown.size(), 1u);
            EXPECT_EQ(target.shown[0], "Can't determine file type: /music/a.xyz/" +
                                           std::to_string(c.level) + "/" + std::to_string(c.help));
            continue;
        }
        EXPECT_TRUE(target.shown.empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(boxes[0].text, "Can't determine file type: /music/a.xyz");
        EXPECT_EQ(boxes[0].flags, c.flags) << c.level << "/" << c.help;
        EXPECT_EQ(boxes[0].helpTopic, (c.flags & kMbHelp) ? c.help : 0);
        EXPECT_EQ(boxes[0].owner, 0x5150);
    }
}

TEST(RouteMessage, WithoutTargetEveryMessageIsABox) {
    test::ScopedHeadless windows;
    setMessageTarget(nullptr);
    routeMessage("Password Incorrect", 0);
    const auto boxes = windows.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "KLV Error");
    EXPECT_EQ(boxes[0].owner, 0);
}

// Files made by the test: a real MP3-looking file is not needed, the engine knows playlists
// by their contents too.
class PlayableTest : public testing::Test {
protected:
    fs::path write(const std::string& name, const std::string& contents) {
        const fs::path path = dir.path() / name;
        std::ofstream(path) << contents;
        return path;
    }
    static QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

    test::TempDir dir;
};

TEST_F(PlayableTest, AnswersFromItsOneEntryCache) {
    const fs::path list = write("set.m3u", "/music/a.mp3\n/music/b.mp3\n");
    const fs::path other = write("notes.txt", "not audio\n");
    PlayableCache cache; // the engine's klvWhatIsIt
    EXPECT_TRUE(cache.isPlayable(q(list)));
    fs::remove(list);
    EXPECT_TRUE(cache.isPlayable(q(list))); // the same path again: from the cache
    EXPECT_FALSE(cache.isPlayable(q(other)));
    EXPECT_FALSE(cache.isPlayable(q(list))); // asked anew after another path
}

TEST_F(PlayableTest, CacheKeysOnThePathExactlyAsGiven) {
    int asked = 0;
    PlayableCache cache([&](const std::string&) {
        ++asked;
        return KLV_KIND_MP3;
    });
    EXPECT_FALSE(cache.isPlayable("")); // the empty start entry answers false
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(cache.isPlayable("/music/Song.mp3"));
    EXPECT_TRUE(cache.isPlayable("/music/Song.mp3"));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(cache.isPlayable("/music/song.mp3")); // other case: another path
    EXPECT_EQ(asked, 2);
}

TEST_F(PlayableTest, LinksAreAskedByTheirTarget) {
    const fs::path list = write("party.pls", "[playlist]\nFile1=/music/a.mp3\nNumberOfEntries=1\n");
    const fs::path link = dir.path() / "party";
    const fs::path lnk = dir.path() / "party.lnk";
    const fs::path dangling = dir.path() / "gone.lnk";
    fs::create_symlink(list, link);
    fs::create_symlink(list, lnk);
    fs::create_symlink(dir.path() / "missing.pls", dangling);
    std::vector<std::string> asked;
    PlayableCache cache([&](const std::string& path) {
        asked.push_back(path);
        return klvWhatIsIt(path.c_str());
    });
    EXPECT_TRUE(cache.isPlayable(q(link))); // a link without extension, to a playlist
    EXPECT_TRUE(cache.isPlayable(q(lnk)));
    EXPECT_FALSE(cache.isPlayable(q(dangling)));
    ASSERT_EQ(asked.size(), 2u); // the dangling link has no target to ask about
    EXPECT_EQ(asked[0], fs::canonical(list).string());
    EXPECT_EQ(asked[1], fs::canonical(list).string());
}

TEST_F(PlayableTest, CanReopenFollowsTheReopenOption) {
    const fs::path song = write("song.mp3", "ID3");
    const fs::path gone = dir.path() / "gone.mp3";
    const fs::path dangling = dir.path() / "dangling.mp3";
    fs::create_symlink(gone, dangling);
    auto fixed = [](const QString&) { return DriveKind::Fixed; };
    auto cd = [](const QString&) { return DriveKind::CdRom; };
    auto network = [](const QString&) { return DriveKind::Network; };
    auto removable = [](const QString&) { return DriveKind::Removable; };
    const struct {
        QString path;
        int32_t reopen;
        DriveKindOf kind;
        bool expected;
    } cases[] = {
        {q(song), 0, fixed, false},    {"", 2, fixed, false},        {q(song), 1, fixed, true},
        {q(song), 1, cd, false},       {q(song), 1, network, false}, {q(song), 1, removable, false},
        {q(song), 2, cd, true}, // every file that still exists
        {q(song), 4, network, true},   {q(gone), 2, fixed, false},   {q(gone), 1, fixed, false},
        {q(dangling), 2, fixed, true}, // the directory entry is there
        {"song.mp3", 1, fixed, false}, // not an absolute path
    };
    for (const auto& c : cases)
        EXPECT_EQ(canReopen(c.path, c.reopen, c.kind), c.expected)
            << c.path.toStdString() << " reopen " << c.reopen;
    // The test's own folder is on a local disk of this machine.
    EXPECT_TRUE(canReopen(q(song), 1));
}

TEST(DriveKind, MountsAreClassifiedAsTheDriveBoxNamesThem) {
    const struct {
        const char* type;
        const char* mountPoint;
        bool removable;
        DriveKind kind;
        const char* caption; // for a volume without name
    } cases[] = {
        {"ext4", "/", false, DriveKind::Fixed, "Fixed Disk (/)"},
        {"btrfs", "/home", false, DriveKind::Fixed, "Fixed Disk (/home)"},
        {"nfs4", "/mnt/share", false, DriveKind::Network, "Network Drive (/mnt/share)"},
        {"cifs", "/media/nas", false, DriveKind::Network, "Network Drive (/media/nas)"},
        {"fuse.sshfs", "/home/dj/remote", false, DriveKind::Network,
         "Network Drive (/home/dj/remote)"},
        {"iso9660", "/media/dj/CD", false, DriveKind::CdRom, "CD-ROM (/media/dj/CD)"},
        {"udf", "/mnt/dvd", false, DriveKind::CdRom, "CD-ROM (/mnt/dvd)"},
        {"vfat", "/media/dj/STICK", false, DriveKind::Removable,
         "Removable Disk (/media/dj/STICK)"},
        {"exfat", "/run/media/dj/CARD", false, DriveKind::Removable,
         "Removable Disk (/run/media/dj/CARD)"},
        {"ext4", "/mnt/usb", true, DriveKind::Removable, "Removable Disk (/mnt/usb)"},
        {"ext4", "/mediafiles", false, DriveKind::Fixed, "Fixed Disk (/mediafiles)"},
    };
    for (const auto& c : cases) {
        const DriveKind kind = classifyMount(c.type, c.mountPoint, c.removable);
        EXPECT_EQ(kind, c.kind) << c.type << " " << c.mountPoint;
        EXPECT_EQ(driveCaption("", kind, c.mountPoint), c.caption);
    }
    EXPECT_EQ(driveCaption("Crates", DriveKind::Removable, "/media/dj/Crates"),
              "Crates (/media/dj/Crates)");
    EXPECT_FALSE(isRemovableDevice("tmpfs"));
    EXPECT_FALSE(isRemovableDevice("/dev/does-not-exist"));
}

TEST(ScreenUnits, TwipsPixelsAndLines) {
    const struct {
        int32_t value;
        double tpp;
        int32_t pixels; // twipsToPixels(value)
        int32_t twips;  // pixelsToTwips(value)
    } cases[] = {
        {240, 15.0, 16, 3600},    {7, 15.0, 0, 105}, {8, 15.0, 1, 120},
        {1440, 12.0, 120, 17280}, {100, 0.0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(twipsToPixels(c.value, c.tpp), c.pixels) << c.value << " at " << c.tpp;
        EXPECT_EQ(pixelsToTwips(c.value, c.tpp), c.twips) << c.value << " at " << c.tpp;
    }
    EXPECT_EQ(maxLinesForWidth(1024), 9);
    EXPECT_EQ(maxLinesForWidth(1280), 12);
    // The offscreen screen has a size and a resolution: the module asks it like any other.
    EXPECT_GT(twipsPerPixelX(), 0.0);
    EXPECT_EQ(maxLines(), maxLinesForWidth(QGuiApplication::primaryScreen()->geometry().width()));
    EXPECT_EQ(twipsToPixelsX(pixelsToTwipsX(90)), 90);
}

TEST(ScreenUnits, CaptionBarComesAndGoes) {
    QWidget window;
    window.show();
    hideCaptionBar(window, true);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window.isVisible());
    hideCaptionBar(window, false);
    EXPECT_FALSE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window.isVisible());
    keepMinimumSize(window, kNavigatorMinimumSize);
    window.resize(100, 100);
    EXPECT_EQ(window.size(), QSize(430, 150));
}

TEST(HelpAndAbout, AboutBoxAndHelpTopics) {
    test::ScopedHeadless windows;
    RecordingTarget target(2);
    setMessageTarget(&target);
    showAbout();
    setMessageTarget(nullptr);
    const auto boxes = windows.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "About Kelvara");
    EXPECT_EQ(boxes[0].text, "Kelvara version 3.41 (DLL version 3.401)");
    EXPECT_EQ(boxes[0].flags, kMbOk | kMbIconInformation);
    EXPECT_EQ(boxes[0].owner, 0x5150);

    for (int32_t topic : {kTopicGettingStarted, kTopicOptions, kTopicPlugins})
        showHelpTopic(0x77, topic);
    const auto help = windows.system.helpRequests();
    ASSERT_EQ(help.size(), 3u);
    EXPECT_EQ(help[1].window, 0x77);
    EXPECT_EQ(help[1].command, KLV_HELP_CONTEXT);
    EXPECT_EQ(help[1].data, 34);
    EXPECT_EQ(help[1].helpFile, helpFilePath().toStdString());
}

TEST(HelpAndAbout, PagesInTheProgramFolderHaveEveryTopicTheProgramOpens) {
    // The program's folder, where the build puts the pages beside KLV3.
    const fs::path pages = fs::path(KLV3_PROGRAM_PATH).parent_path() / "help" / "index.html";
    QFile page(QString::fromStdString(pages.string()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << pages;
    const QString html = QString::fromUtf8(page.readAll());
    for (int32_t topic : {kTopicGettingStarted, kTopicOptions, kTopicPlugins})
        EXPECT_TRUE(html.contains(QStringLiteral("id=\"topic-%1\"").arg(topic))) << topic;
}

} // namespace
} // namespace klv::app

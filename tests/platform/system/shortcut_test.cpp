#include "platform/system/shortcut.h"

#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace klv::platform;
using klv::test::TempDir;

namespace {

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The temporary folder itself may sit behind a link (/tmp on some systems).
        m_root = fs::canonical(m_dir.path());
        fs::create_directories(m_root / "music" / "house");
        std::ofstream(m_root / "music" / "house" / "track.mp3") << "not really audio";
        fs::create_directories(m_root / "links");
    }
    TempDir m_dir;
    fs::path m_root;
};

TEST_F(ShortcutTest, ResolvesToTheCanonicalFinalTarget) {
    const fs::path track = m_root / "music" / "house" / "track.mp3";
    fs::create_symlink(track, m_root / "links" / "direct");
    fs::create_symlink("../music/./house/../house/track.mp3", m_root / "links" / "relative");
    fs::create_symlink(m_root / "links" / "relative", m_root / "links" / "chain");
    fs::create_directory_symlink(m_root / "music" / "house", m_root / "links" / "folder");
    fs::create_symlink(m_root / "music" / "gone.mp3", m_root / "links" / "dangling");
    fs::create_symlink(m_root / "links" / "dangling", m_root / "links" / "to dangling");

    struct Case {
        const char* what;
        fs::path path;
        bool resolves;
        fs::path target;
    } cases[] = {
        {"absolute link", m_root / "links" / "direct", true, track},
        {"relative link", m_root / "links" / "relative", true, track},
        {"link to a link", m_root / "links" / "chain", true, track},
        {"link to a folder", m_root / "links" / "folder", true, m_root / "music" / "house"},
        {"dangling link", m_root / "links" / "dangling", false, {}},
        {"link to a dangling link", m_root / "links" / "to dangling", false, {}},
        {"regular file", track, false, {}},
        {"folder", m_root / "music", false, {}},
        {"missing path", m_root / "links" / "nothing", false, {}},
    };
    for (const Case& c : cases) {
        std::string target = "left over from before";
        EXPECT_EQ(resolveLink(c.path.c_str(), target), c.resolves) << c.what;
        EXPECT_EQ(target, c.target.string()) << c.what;
    }
}

TEST_F(ShortcutTest, CreatesLinksAndReplacesOnlyOlderLinks) {
    const fs::path track = m_root / "music" / "house" / "track.mp3";
    const fs::path other = m_root / "music" / "other.mp3";
    std::ofstream(other) << "other";
    const fs::path link = m_root / "links" / "Shortcut To KLV3";

    ASSERT_EQ(createLink(link.c_str(), track.c_str()), 0);
    EXPECT_EQ(fs::read_symlink(link), track);
    std::string target;
    EXPECT_TRUE(resolveLink(link.c_str(), target));
    EXPECT_EQ(target, track.string());

    // Saving again over the older shortcut points it at the new target.
    ASSERT_EQ(createLink(link.c_str(), other.c_str()), 0);
    EXPECT_EQ(fs::read_symlink(link), other);

    // A real file in the way is never destroyed.
    const fs::path notALink = m_root / "links" / "notes.txt";
    std::ofstream(notALink) << "keep me";
    EXPECT_EQ(createLink(notALink.c_str(), track.c_str()), -EEXIST);
    std::string kept;
    std::getline(std::ifstream(notALink), kept);
    EXPECT_EQ(kept, "keep me");

    EXPECT_EQ(createLink((m_root / "no such folder" / "link").c_str(), track.c_str()), -ENOENT);
    EXPECT_EQ(createLink("", track.c_str()), -EINVAL);
    EXPECT_EQ(createLink(link.c_str(), nullptr), -EINVAL);

    // Only the links asked for are left behind.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_root / "links"))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

} // namespace

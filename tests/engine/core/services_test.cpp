#include "klv3.h"
#include "tests/engine/core/core_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace platform = klv::platform;

std::vector<uint8_t> littleEndian(const uint32_t (&colors)[16]) {
    std::vector<uint8_t> bytes;
    for (uint32_t c : colors)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(c >> shift));
    return bytes;
}

std::vector<uint8_t> storedCustomColors() {
    std::vector<uint8_t> bytes(80, 0xEE);
    const int32_t n = klvGetReg("Settings", "Custom Colors", bytes.data(), 80);
    bytes.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return bytes;
}

constexpr uint32_t kStored[16] = {0x0000FF, 0x00FF00, 0xFF0000, 0x010203, 0x040506, 0x070809,
                                  0x0A0B0C, 0x0D0E0F, 0x101112, 0x131415, 0x161718, 0x191A1B,
                                  0x1C1D1E, 0x1F2021, 0x222324, 0xFFFFFF};
constexpr uint32_t kEdited[16] = {0xABCDEF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

class ColorTest : public testing::Test {
protected:
    void SetUp() override {
        const auto bytes = littleEndian(kStored);
        ASSERT_EQ(klvSetReg("Settings", "Custom Colors", bytes.data(), 64), 0);
    }
    klv::test::ScopedWindowSystem windows;
};

TEST_F(ColorTest, CancelledChooserReturnsTheInitialColourAndStillStoresTheCustomColours) {
    windows->colorAccept = false;
    windows->colorSetCustom = true;
    std::copy(std::begin(kEdited), std::end(kEdited), windows->colorCustomOut);

    EXPECT_EQ(klvGetColor(0x99, 0x00C0FFEE), 0x00C0FFEE);

    const auto requests = windows->colorRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, 0x99);
    EXPECT_EQ(requests[0].initial, 0x00C0FFEEu);
    EXPECT_TRUE(std::equal(std::begin(kStored), std::end(kStored), requests[0].customIn));
    EXPECT_EQ(storedCustomColors(), littleEndian(kEdited));
}

TEST_F(ColorTest, AcceptedChooserReturnsTheChosenColour) {
    windows->colorAccept = true;
    windows->colorAnswer = 0x00336699;
    EXPECT_EQ(klvGetColor(0x99, 0x000000FF), 0x00336699);
    EXPECT_EQ(storedCustomColors(), littleEndian(kStored));
}

class CustomColorsOfOtherSizes : public ColorTest, public testing::WithParamInterface<int> {};

TEST_P(CustomColorsOfOtherSizes, StartAllBlack) {
    const int size = GetParam();
    if (size < 0) {
        ASSERT_EQ(klvDelReg("Settings", "Custom Colors"), 0);
    } else {
        const std::vector<uint8_t> bytes(static_cast<size_t>(size), 0x7F);
        ASSERT_EQ(klvSetReg("Settings", "Custom Colors", bytes.data(), size), 0);
    }
    klvGetColor(0, 5);
    const auto requests = windows->colorRequests();
    ASSERT_EQ(requests.size(), 1u);
    for (uint32_t c : requests[0].customIn)
        EXPECT_EQ(c, 0u);
    EXPECT_EQ(storedCustomColors(), std::vector<uint8_t>(64, 0));
}

INSTANTIATE_TEST_SUITE_P(Sizes, CustomColorsOfOtherSizes, testing::Values(-1, 0, 60, 63, 68));

TEST(Services, ShowHelpPassesItsFourArguments) {
    klv::test::ScopedWindowSystem windows;
    EXPECT_EQ(klvShowHelp(0x55, "/opt/kelvara/help/index.html", KLV_HELP_CONTEXT, 1042), 0);
    EXPECT_EQ(klvShowHelp(0x56, "/opt/kelvara/help/index.html", KLV_HELP_FINDER, 0), 0);
    const auto requests = windows->helpRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].window, 0x55);
    EXPECT_EQ(requests[0].helpFile, "/opt/kelvara/help/index.html");
    EXPECT_EQ(requests[0].command, 1);
    EXPECT_EQ(requests[0].data, 1042);
    EXPECT_EQ(requests[1].window, 0x56);
    EXPECT_EQ(requests[1].command, 11);
    EXPECT_EQ(requests[1].data, 0);
}

// Links live in a folder of their own; a target buffer starts dirty so that "set empty first"
// is seen.
class LinkTest : public testing::Test {
protected:
    fs::path dir() const { return m_dir.path(); }
    char target[KLV_LINK_BUFFER + 8];
    void dirtyTarget() { std::memset(target, '#', sizeof target); }
    bool guardIntact() const {
        for (size_t i = KLV_LINK_BUFFER; i < sizeof target; ++i)
            if (target[i] != '#')
                return false;
        return true;
    }

private:
    klv::test::TempDir m_dir;
};

TEST_F(LinkTest, CreatedLinkResolvesToTheCanonicalTarget) {
    fs::create_directories(dir() / "music");
    klv::test::writeFile(dir() / "music" / "song.mp3", "x");
    const std::string link = (dir() / "song link").string();
    // A target given with a detour resolves to the plain path.
    const std::string detour = (dir() / "music" / ".." / "music" / "song.mp3").string();
    ASSERT_EQ(klvCreateLink(link.c_str(), detour.c_str()), 0);
    EXPECT_TRUE(fs::is_symlink(link));

    dirtyTarget();
    EXPECT_EQ(klvResolveLink(link.c_str(), target), 0);
    EXPECT_EQ(std::string(target), fs::canonical(dir() / "music" / "song.mp3").string());
    EXPECT_TRUE(guardIntact());
}

TEST_F(LinkTest, CreateLinkReportsThePlatformFailure) {
    klv::test::writeFile(dir() / "taken", "x");
    EXPECT_EQ(klvCreateLink((dir() / "taken").c_str(), "/anything"), -EEXIST);
    EXPECT_LT(klvCreateLink((dir() / "no" / "such" / "folder").c_str(), "/anything"), 0);
    EXPECT_LT(klvCreateLink(nullptr, "/anything"), 0);
}

TEST_F(LinkTest, WhatCannotBeResolvedGivesAnEmptyTarget) {
    klv::test::writeFile(dir() / "plain.mp3", "x");
    fs::create_symlink(dir() / "gone.mp3", dir() / "dangling");
    const struct {
        const char* what;
        std::string path;
    } cases[] = {{"plain file", (dir() / "plain.mp3").string()},
                 {"dangling link", (dir() / "dangling").string()},
                 {"missing", (dir() / "missing").string()}};
    for (const auto& c : cases) {
        dirtyTarget();
        EXPECT_EQ(klvResolveLink(c.path.c_str(), target), 0) << c.what;
        EXPECT_EQ(target[0], '\0') << c.what;
        EXPECT_TRUE(guardIntact()) << c.what;
    }
    dirtyTarget();
    EXPECT_EQ(klvResolveLink(nullptr, target), 0);
    EXPECT_EQ(target[0], '\0');
    EXPECT_EQ(klvResolveLink((dir() / "plain.mp3").c_str(), nullptr), -2);
}

TEST_F(LinkTest, TargetLongerThan260CharactersIsRefusedNotCut) {
    // The canonical target path of each case has exactly this many characters.
    for (size_t length : {size_t{260}, size_t{261}}) {
        const fs::path base = fs::canonical(dir());
        const std::string prefix = (base / "").string();
        ASSERT_LT(prefix.size() + 20, length);
        // Folders of 100 characters, then a file name that makes up the rest.
        fs::path path = base / std::to_string(length);
        size_t used = path.string().size();
        while (length - used > 101 + 10) {
            path /= std::string(100, 'f');
            used += 101;
        }
        fs::create_directories(path);
        path /= std::string(length - used - 1, 'n');
        ASSERT_EQ(path.string().size(), length);
        klv::test::writeFile(path, "x");
        const fs::path link = dir() / ("link" + std::to_string(length));
        fs::create_symlink(path, link);

        dirtyTarget();
        const int32_t result = klvResolveLink(link.c_str(), target);
        EXPECT_TRUE(guardIntact());
        if (length == 260) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(std::string(target), path.string());
        } else {
            EXPECT_EQ(result, -2);
            EXPECT_EQ(target[0], '\0');
        }
    }
}

} // namespace

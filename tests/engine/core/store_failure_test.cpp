#include "engine/core/log.h"
#include "engine/core/options_copy.h"
#include "klv3.h"
#include "platform/store/settings_store.h"
#include "tests/engine/core/core_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Moves the process to another Kelvara home for one test and back afterwards.
class HomeSwitch : public testing::Test {
protected:
    void SetUp() override {
        m_previous = std::getenv("KELVARA_HOME");
        klv::engine::closeLog();
        klv::platform::regClose();
    }
    void TearDown() override {
        setenv("KELVARA_HOME", m_previous.c_str(), 1);
        klv::engine::closeLog();
        klv::platform::regClose();
    }
    void useHome(const fs::path& home) {
        setenv("KELVARA_HOME", home.c_str(), 1);
        klv::engine::closeLog();
        klv::platform::regClose();
    }
    klv::test::TempDir m_dir;

private:
    std::string m_previous;
};

// A home that can never be created: its parent is a regular file.
class UnusableHome : public HomeSwitch {
protected:
    void SetUp() override {
        HomeSwitch::SetUp();
        klv::test::writeFile(m_dir.path() / "file", "not a folder");
        useHome(m_dir.path() / "file" / "home");
    }
};

TEST_F(UnusableHome, StoreCallsReportFailure) {
    klv::test::ScopedWindowSystem windows;
    uint8_t buffer[8];
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(klvSetReg("Settings", "X", "abc", 3), -1);
    EXPECT_EQ(klvGetReg("Settings", "X", buffer, 8), -1);
    EXPECT_EQ(klvDelReg("Settings", "X"), -1);
    EXPECT_EQ(klvSetRegString(KLV_HKEY_CURRENT_USER, "K", "N", "v", 0), -1);
    EXPECT_EQ(klvGetRegString(KLV_HKEY_CURRENT_USER, "K", "N", reinterpret_cast<char*>(buffer), 8),
              -1);
    for (uint8_t b : buffer)
        EXPECT_EQ(b, 0xCC);
    EXPECT_EQ(klvLogInfo("nowhere to go"), 0);
    EXPECT_EQ(klvGetColor(0, 0x123456), 0x123456);
}

TEST_F(UnusableHome, OptionsFailToLoadAndSaveButTheEngineCopyFollowsTheSave) {
    OptionsRecord record;
    std::memset(&record, 0x33, sizeof record);
    EXPECT_EQ(klvLoadOptions(&record, 0), -1);
    for (size_t i = 0; i < sizeof record; ++i)
        ASSERT_EQ(reinterpret_cast<const uint8_t*>(&record)[i], 0) << "byte " << i;

    OptionsRecord saved{};
    saved.NumLines = 7;
    saved.TimeScale = 1;
    EXPECT_EQ(klvSaveOptions(&saved), -1);
    EXPECT_EQ(klv::engine::option(&OptionsRecord::NumLines), 7);
    EXPECT_EQ(klv::engine::option(&OptionsRecord::TimeScale), 1);
}

class CorruptStore : public HomeSwitch {};

TEST_F(CorruptStore, IsMovedAsideKeptAndNotedInTheLog) {
    const fs::path home = m_dir.path() / "home";
    fs::create_directories(home);
    const std::string garbage(8192, 'G');
    klv::test::writeFile(home / "registry.db", garbage);
    useHome(home);

    EXPECT_EQ(klvSetReg("Settings", "After", "ok", 2), 0);
    char out[4] = {};
    EXPECT_EQ(klvGetReg("Settings", "After", out, 4), 2);

    bool kept = false;
    for (const auto& entry : fs::directory_iterator(home)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("registry.db", 0) == 0 && name != "registry.db" &&
            klv::test::readFile(entry.path()) == garbage)
            kept = true;
    }
    EXPECT_TRUE(kept) << "the corrupt file is kept beside the new store";
    const std::string log = klv::test::readFile(klv::engine::logPath());
    EXPECT_NE(log.find("registry.db"), std::string::npos) << log;
}

} // namespace

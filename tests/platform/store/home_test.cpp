#include "platform/store/home.h"

#include "tests/platform/support/platform_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace klv::platform;
using klv::test::ScopedEnv;
using klv::test::TempDir;

namespace {

struct Folders {
    fs::path config, state, recordings;
};

Folders folders() {
    return {configDir(), stateDir(), recordingsDir()};
}

TEST(Home, KelvaraHomeHoldsEveryFolderAndIsCreatedWhenMissing) {
    TempDir place;
    const fs::path home = place.path() / "not" / "yet";
    ScopedEnv env("KELVARA_HOME", home.c_str());
    ScopedEnv xdg("XDG_CONFIG_HOME", (place.path() / "xdg").c_str()); // ignored
    const Folders got = folders();
    EXPECT_EQ(got.config, home);
    EXPECT_EQ(got.state, home);
    EXPECT_EQ(got.recordings, home);
    EXPECT_TRUE(fs::is_directory(home));
    EXPECT_FALSE(fs::exists(place.path() / "xdg"));
}

TEST(Home, WithoutKelvaraHomeTheBaseFoldersAreUsed) {
    TempDir place;
    const fs::path user = place.path() / "user";
    const fs::path cfg = place.path() / "cfg", state = place.path() / "state",
                   data = place.path() / "data";
    struct Case {
        const char* what;
        const char* config;
        const char* stateHome;
        const char* dataHome;
        Folders expected;
    } cases[] = {
        {"variables set",
         cfg.c_str(),
         state.c_str(),
         data.c_str(),
         {cfg / "kelvara", state / "kelvara", data / "kelvara" / "recordings"}},
        {"variables unset",
         nullptr,
         nullptr,
         nullptr,
         {user / ".config/kelvara", user / ".local/state/kelvara",
          user / ".local/share/kelvara/recordings"}},
        {"variables empty",
         "",
         "",
         "",
         {user / ".config/kelvara", user / ".local/state/kelvara",
          user / ".local/share/kelvara/recordings"}},
        {"relative variables are ignored",
         "rel/cfg",
         "rel/state",
         "rel/data",
         {user / ".config/kelvara", user / ".local/state/kelvara",
          user / ".local/share/kelvara/recordings"}},
    };
    ScopedEnv noHome("KELVARA_HOME", nullptr);
    ScopedEnv home("HOME", user.c_str());
    for (const Case& c : cases) {
        ScopedEnv a("XDG_CONFIG_HOME", c.config);
        ScopedEnv b("XDG_STATE_HOME", c.stateHome);
        ScopedEnv d("XDG_DATA_HOME", c.dataHome);
        const Folders got = folders();
        EXPECT_EQ(got.config, c.expected.config) << c.what;
        EXPECT_EQ(got.state, c.expected.state) << c.what;
        EXPECT_EQ(got.recordings, c.expected.recordings) << c.what;
        for (const fs::path& dir : {got.config, got.state, got.recordings})
            EXPECT_TRUE(fs::is_directory(dir)) << c.what << ": " << dir;
    }
    EXPECT_FALSE(fs::exists(fs::current_path() / "rel"));
}

TEST(Home, AFolderThatCannotBeCreatedIsStillReturned) {
    TempDir place;
    std::ofstream(place.path() / "file") << "in the way";
    const fs::path home = place.path() / "file" / "sub";
    ScopedEnv env("KELVARA_HOME", home.c_str());
    fs::path got;
    EXPECT_NO_THROW(got = configDir());
    EXPECT_EQ(got, home);
    EXPECT_NO_THROW(got = recordingsDir());
    EXPECT_EQ(got, home);
}

TEST(Home, ProgramDirIsTheFolderOfTheRunningExecutable) {
    const fs::path dir = programDir();
    ASSERT_TRUE(dir.is_absolute());
    struct stat self {};
    ASSERT_EQ(stat("/proc/self/exe", &self), 0);
    bool found = false;
    for (const auto& entry : fs::directory_iterator(dir)) {
        struct stat st {};
        if (stat(entry.path().c_str(), &st) == 0 && st.st_ino == self.st_ino &&
            st.st_dev == self.st_dev)
            found = true;
    }
    EXPECT_TRUE(found) << dir;
}

} // namespace

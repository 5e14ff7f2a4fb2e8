#include "platform/store/settings_store.h"

#include "tests/platform/support/platform_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace klv::platform;
using klv::test::ScopedEnv;
using klv::test::TempDir;

namespace {

constexpr const char* kSettings = "Software\\Quellwerk\\Kelvara 3.1\\Settings";

std::vector<uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

RegResult put(std::string_view key, std::string_view name, std::string_view text,
              uint32_t root = kHkeyLocalMachine) {
    return regWriteValue(root, key, name, RegType::Binary, text.data(), text.size());
}

// What a read gives, as one comparable value.
struct Read {
    RegResult result;
    std::vector<uint8_t> data;
    bool operator==(const Read&) const = default;
};

Read get(std::string_view key, std::string_view name, uint32_t root = kHkeyLocalMachine) {
    Read r;
    r.result = regReadValue(root, key, name, r.data);
    return r;
}

// Garbage the size of a few database pages, nothing like a database header.
std::vector<uint8_t> garbage() {
    std::vector<uint8_t> data(16384);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>((i * 7919u + 13u) >> 3);
    return data;
}

std::vector<std::string> g_notices;
std::mutex g_noticesMutex;
void collectNotice(const char* text) {
    std::lock_guard lock(g_noticesMutex);
    g_notices.emplace_back(text);
}

// Each test runs in a home of its own, so tests are independent even in one process; moving
// between homes also makes the store follow configDir().
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_env.emplace("KELVARA_HOME", m_home.path().c_str());
        std::lock_guard lock(g_noticesMutex);
        g_notices.clear();
    }
    void TearDown() override {
        setDiagnosticSink(nullptr);
        regClose();
    }
    fs::path dbPath() const { return m_home.path() / "registry.db"; }
    std::vector<fs::path> corruptFiles() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(m_home.path()))
            if (const std::string name = entry.path().filename().string();
                name.starts_with("registry.db.corrupt-") && !name.ends_with("-wal") &&
                !name.ends_with("-shm"))
                found.push_back(entry.path());
        return found;
    }

    TempDir m_home;
    std::optional<ScopedEnv> m_env;
};

TEST_F(SettingsStoreTest, ValuesRoundTripWithTheirTypeAndExactBytes) {
    std::vector<uint8_t> large(300000);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<uint8_t>(i * 31u);
    struct Case {
        const char* name;
        RegType type;
        std::vector<uint8_t> data;
    } cases[] = {
        {"Options", RegType::Binary, {0, 1, 0, 0xff, 0x80, 0, 0}},
        {"Last Dir", RegType::String, bytes("/home/dj/M\xc3\xbcsik")},
        {"Empty", RegType::Binary, {}},
        {"Empty String", RegType::String, {}},
        {"", RegType::String, bytes("default value of the key")},
        {"Large", RegType::Binary, large},
    };
    for (const Case& c : cases)
        ASSERT_EQ(regWriteValue(kHkeyLocalMachine, kSettings, c.name, c.type, c.data.data(),
                                c.data.size()),
                  RegResult::Ok)
            << c.name;
    regClose(); // read back from the file, not from anything kept in memory
    for (const Case& c : cases) {
        std::vector<uint8_t> got = {0xEE};
        RegType type = c.type == RegType::String ? RegType::Binary : RegType::String;
        EXPECT_EQ(regReadValue(kHkeyLocalMachine, kSettings, c.name, got, &type), RegResult::Ok)
            << c.name;
        EXPECT_EQ(got, c.data) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
}

TEST_F(SettingsStoreTest, KeyPathsAndValueNamesIgnoreCase) {
    ASSERT_EQ(put(kSettings, "Remain Time", "1"), RegResult::Ok);
    EXPECT_EQ(get("SOFTWARE\\quellwerk\\KELVARA 3.1\\settings", "remain TIME"),
              (Read{RegResult::Ok, bytes("1")}));
    EXPECT_TRUE(regKeyExists(kHkeyLocalMachine, "software\\QUELLWERK\\kelvara 3.1\\SETTINGS"));

    // Writing under another spelling overwrites the one value instead of adding a second.
    ASSERT_EQ(put("software\\quellwerk\\kelvara 3.1\\settings", "REMAIN time", "0"), RegResult::Ok);
    EXPECT_EQ(get(kSettings, "Remain Time"), (Read{RegResult::Ok, bytes("0")}));
    EXPECT_EQ(regDeleteValue(kHkeyLocalMachine, "SOFTWARE\\QUELLWERK\\KELVARA 3.1\\SETTINGS",
                             "remain time"),
              RegResult::Ok);
    EXPECT_EQ(get(kSettings, "Remain Time").result, RegResult::NoValue);
}

TEST_F(SettingsStoreTest, RootKeysAreKeptApart) {
    ASSERT_EQ(put(kSettings, "Who", "machine", kHkeyLocalMachine), RegResult::Ok);
    EXPECT_EQ(get(kSettings, "Who", kHkeyCurrentUser).result, RegResult::NoKey);
    EXPECT_FALSE(regKeyExists(kHkeyUsers, kSettings));

    ASSERT_EQ(put(kSettings, "Who", "user", kHkeyCurrentUser), RegResult::Ok);
    EXPECT_EQ(get(kSettings, "Who", kHkeyLocalMachine), (Read{RegResult::Ok, bytes("machine")}));
    EXPECT_EQ(get(kSettings, "Who", kHkeyCurrentUser), (Read{RegResult::Ok, bytes("user")}));

    ASSERT_EQ(regDeleteValue(kHkeyCurrentUser, kSettings, "Who"), RegResult::Ok);
    EXPECT_EQ(get(kSettings, "Who", kHkeyLocalMachine), (Read{RegResult::Ok, bytes("machine")}));
}

TEST_F(SettingsStoreTest, DeleteReportsWhatWasMissing) {
    ASSERT_EQ(put(kSettings, "Kept", "k"), RegResult::Ok);
    ASSERT_EQ(put(kSettings, "Gone", "g"), RegResult::Ok);
    struct Case {
        const char* key;
        const char* name;
        RegResult expected;
    } cases[] = {
        {"Software\\Quellwerk\\Kelvara 3.1\\Nothing", "Gone", RegResult::NoKey},
        {kSettings, "Never Written", RegResult::NoValue},
        {kSettings, "Gone", RegResult::Ok},
        {kSettings, "Gone", RegResult::NoValue}, // a second delete finds nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(regDeleteValue(kHkeyLocalMachine, c.key, c.name), c.expected)
            << c.key << " / " << c.name;
    EXPECT_EQ(get(kSettings, "Gone").result, RegResult::NoValue);
    EXPECT_EQ(get(kSettings, "Kept"), (Read{RegResult::Ok, bytes("k")}));
    // A failed delete must not have created the key it looked for.
    EXPECT_FALSE(regKeyExists(kHkeyLocalMachine, "Software\\Quellwerk\\Kelvara 3.1\\Nothing"));
}

TEST_F(SettingsStoreTest, OverwriteReplacesBytesAndType) {
    const std::string longText(452, 'x');
    ASSERT_EQ(put(kSettings, "V", longText), RegResult::Ok);
    ASSERT_EQ(regWriteValue(kHkeyLocalMachine, kSettings, "V", RegType::String, "ab", 2),
              RegResult::Ok);
    std::vector<uint8_t> got;
    RegType type = RegType::Binary;
    ASSERT_EQ(regReadValue(kHkeyLocalMachine, kSettings, "V", got, &type), RegResult::Ok);
    EXPECT_EQ(got, bytes("ab")); // no tail of the longer old value
    EXPECT_EQ(type, RegType::String);

    ASSERT_EQ(regWriteValue(kHkeyLocalMachine, kSettings, "V", RegType::Binary, nullptr, 0),
              RegResult::Ok);
    EXPECT_EQ(get(kSettings, "V"), (Read{RegResult::Ok, {}}));
}

TEST_F(SettingsStoreTest, CreatingAKeyCreatesOnlyThatKey) {
    EXPECT_EQ(get("A\\B\\C", "x").result, RegResult::NoKey);
    ASSERT_EQ(regCreateKey(kHkeyLocalMachine, "A\\B\\C"), RegResult::Ok);
    ASSERT_EQ(regCreateKey(kHkeyLocalMachine, "A\\B\\C"), RegResult::Ok); // already there: fine
    EXPECT_TRUE(regKeyExists(kHkeyLocalMachine, "A\\B\\C"));
    EXPECT_TRUE(regKeyExists(kHkeyLocalMachine, "A\\B\\C\\")); // a trailing separator names it too
    EXPECT_FALSE(regKeyExists(kHkeyLocalMachine, "A\\B"));
    EXPECT_FALSE(regKeyExists(kHkeyLocalMachine, "A"));
    EXPECT_FALSE(regKeyExists(kHkeyCurrentUser, "A\\B\\C"));
    EXPECT_EQ(get("A\\B\\C", "x").result, RegResult::NoValue);

    // Reading a key that is missing does not create it either.
    EXPECT_EQ(get("A\\Z", "x").result, RegResult::NoKey);
    EXPECT_FALSE(regKeyExists(kHkeyLocalMachine, "A\\Z"));
}

TEST_F(SettingsStoreTest, WritesAreVisibleAtOnceToAnotherProcess) {
    // The child must not inherit an open connection.
    regClose();
    int toChild[2];
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(toChild[1]);
        char go = 0;
        if (::read(toChild[0], &go, 1) != 1)
            _exit(10);
        if (get(kSettings, "From Parent") != Read{RegResult::Ok, bytes("hello child")})
            _exit(11);
        if (put(kSettings, "From Child", "hello parent") != RegResult::Ok)
            _exit(12);
        _exit(0);
    }
    close(toChild[0]);
    // The parent has used the store just before the child starts on it.
    ASSERT_EQ(put(kSettings, "From Parent", "hello child"), RegResult::Ok);
    ASSERT_EQ(::write(toChild[1], "g", 1), 1);
    close(toChild[1]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(get(kSettings, "From Child"), (Read{RegResult::Ok, bytes("hello parent")}));
}

// Two processes on one home at the same time (a second program start, a helper tool): neither
// locks the other out, whatever the timing.
TEST_F(SettingsStoreTest, TwoProcessesWriteAndReadAtOnce) {
    constexpr int kRounds = 150;
    ASSERT_EQ(put(kSettings, "Start", "1"), RegResult::Ok);
    // Each side counts its own failed calls; the child reports its count as its exit code.
    auto work = [](const char* side) {
        int failures = 0;
        const std::string name = std::string("From ") + side;
        const std::string other = side == std::string_view("Parent") ? "From Child" : "From Parent";
        for (int i = 0; i < kRounds; ++i) {
            const std::string text = name + " " + std::to_string(i);
            if (put(kSettings, name, text) != RegResult::Ok)
                ++failures;
            if (get(kSettings, name) != Read{RegResult::Ok, bytes(text)})
                ++failures;
            const RegResult seen = get(kSettings, other).result;
            if (seen != RegResult::Ok && seen != RegResult::NoValue)
                ++failures;
        }
        return failures;
    };
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        _exit(std::min(work("Child"), 100));
    EXPECT_EQ(work("Parent"), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed calls in the child";
    const std::string last = " " + std::to_string(kRounds - 1);
    EXPECT_EQ(get(kSettings, "From Child"), (Read{RegResult::Ok, bytes("From Child" + last)}));
    EXPECT_EQ(get(kSettings, "From Parent"), (Read{RegResult::Ok, bytes("From Parent" + last)}));
}

TEST_F(SettingsStoreTest, ManyThreadsWriteAndReadAtOnce) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 60;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const std::string key = std::string(kSettings) + "\\Thread " + std::to_string(t % 3);
            const std::string name = "Value " + std::to_string(t);
            for (int i = 0; i < kRounds; ++i) {
                const std::string text = name + " round " + std::to_string(i);
                if (put(key, name, text) != RegResult::Ok)
                    ++failures[t];
                if (get(key, name) != Read{RegResult::Ok, bytes(text)})
                    ++failures[t];
                // Other threads' values: present or not yet written, never damaged.
                const std::string other = "Value " + std::to_string((t + 3) % kThreads);
                const Read seen = get(key, other);
                if (seen.result == RegResult::Ok &&
                    !std::string(seen.data.begin(), seen.data.end()).starts_with(other))
                    ++failures[t];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
        const std::string key = std::string(kSettings) + "\\Thread " + std::to_string(t % 3);
        const std::string name = "Value " + std::to_string(t);
        EXPECT_EQ(get(key, name),
                  (Read{RegResult::Ok, bytes(name + " round " + std::to_string(kRounds - 1))}));
    }
}

// The calls a program makes, against a home where the store cannot be created: 0 when each
// gave its failure result, otherwise the number of the first one that did not.
int callsInAnUnwritableHome() {
    if (get(kSettings, "Options").result != RegResult::NoKey)
        return 1;
    if (regKeyExists(kHkeyLocalMachine, kSettings))
        return 2;
    if (put(kSettings, "Options", "x") != RegResult::Failed)
        return 3;
    if (regCreateKey(kHkeyLocalMachine, kSettings) != RegResult::Failed)
        return 4;
    if (regDeleteValue(kHkeyLocalMachine, kSettings, "Options") != RegResult::Failed)
        return 5;
    return 0;
}

TEST_F(SettingsStoreTest, AReadOnlyHomeGivesFailureResults) {
    TempDir place;
    fs::permissions(place.path(), fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
    const fs::path home = place.path() / "home";
    fs::create_directory(home);
    fs::permissions(home, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
    ScopedEnv env("KELVARA_HOME", home.c_str());
    regClose();
    // Folder permissions do not bind root: then the calls run as an unprivileged user.
    const int result = klv::test::runInChild([] {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            return 100;
        return callsInAnUnwritableHome();
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(fs::exists(home / "registry.db"));
}

TEST_F(SettingsStoreTest, AHomeThatCannotBeMadeGivesFailureResultsUntilItCanBe) {
    // A regular file where the home's parent folder should be stops even root.
    TempDir place;
    writeFile(place.path() / "file", {1, 2, 3});
    const fs::path home = place.path() / "file" / "sub";
    ScopedEnv env("KELVARA_HOME", home.c_str());
    EXPECT_EQ(callsInAnUnwritableHome(), 0);

    // Every call tries again: once the folder can be made, the store works.
    fs::remove(place.path() / "file");
    EXPECT_EQ(put(kSettings, "Options", "x"), RegResult::Ok);
    EXPECT_EQ(get(kSettings, "Options"), (Read{RegResult::Ok, bytes("x")}));
    EXPECT_TRUE(fs::exists(home / "registry.db"));
    regClose();
}

TEST_F(SettingsStoreTest, ACorruptFileIsMovedAsideKeptAndReplaced) {
    setDiagnosticSink(collectNotice);
    const std::vector<uint8_t> junk = garbage();
    writeFile(dbPath(), junk);

    EXPECT_EQ(get(kSettings, "Options").result, RegResult::NoKey);
    ASSERT_EQ(put(kSettings, "Options", "fresh"), RegResult::Ok);
    EXPECT_EQ(get(kSettings, "Options"), (Read{RegResult::Ok, bytes("fresh")}));

    const std::vector<fs::path> moved = corruptFiles();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(fileBytes(moved[0]), junk);
    std::lock_guard lock(g_noticesMutex);
    ASSERT_EQ(g_notices.size(), 1u);
    EXPECT_NE(g_notices[0].find(moved[0].string()), std::string::npos) << g_notices[0];
    EXPECT_EQ(g_notices[0].find('\n'), std::string::npos);
}

TEST_F(SettingsStoreTest, AStoreReplacedByGarbageWhileOpenIsMovedAside) {
    setDiagnosticSink(collectNotice);
    ASSERT_EQ(put(kSettings, "Old", "old"), RegResult::Ok);
    const std::vector<uint8_t> junk = garbage();
    writeFile(m_home.path() / "incoming", junk);
    fs::rename(m_home.path() / "incoming", dbPath());

    ASSERT_EQ(put(kSettings, "New", "new"), RegResult::Ok);
    EXPECT_EQ(get(kSettings, "New"), (Read{RegResult::Ok, bytes("new")}));
    EXPECT_EQ(get(kSettings, "Old").result, RegResult::NoValue);
    const std::vector<fs::path> moved = corruptFiles();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(fileBytes(moved[0]), junk);
    std::lock_guard lock(g_noticesMutex);
    EXPECT_EQ(g_notices.size(), 1u);
}

TEST_F(SettingsStoreTest, AStoreDeletedWhileOpenIsStartedAfresh) {
    for (bool withLog : {false, true}) {
        SCOPED_TRACE(withLog ? "database and its log deleted" : "database file deleted");
        ASSERT_EQ(put(kSettings, "Before", "before"), RegResult::Ok);
        fs::remove(dbPath());
        if (withLog) {
            fs::remove(m_home.path() / "registry.db-wal");
            fs::remove(m_home.path() / "registry.db-shm");
        }

        ASSERT_EQ(put(kSettings, "After", "after"), RegResult::Ok);
        EXPECT_TRUE(fs::exists(dbPath()));
        EXPECT_EQ(get(kSettings, "After"), (Read{RegResult::Ok, bytes("after")}));
        EXPECT_EQ(get(kSettings, "Before").result, RegResult::NoValue);
        regClose();
        EXPECT_EQ(get(kSettings, "After"), (Read{RegResult::Ok, bytes("after")}));
        EXPECT_EQ(get(kSettings, "Before").result, RegResult::NoValue);
        EXPECT_TRUE(corruptFiles().empty());
        ASSERT_EQ(regDeleteValue(kHkeyLocalMachine, kSettings, "After"), RegResult::Ok);
    }
}

TEST_F(SettingsStoreTest, TheStoreFollowsTheHome) {
    ASSERT_EQ(put(kSettings, "Where", "first"), RegResult::Ok);
    TempDir other;
    {
        ScopedEnv env("KELVARA_HOME", other.path().c_str());
        EXPECT_EQ(get(kSettings, "Where").result, RegResult::NoKey);
        ASSERT_EQ(put(kSettings, "Where", "second"), RegResult::Ok);
        EXPECT_TRUE(fs::exists(other.path() / "registry.db"));
    }
    EXPECT_EQ(get(kSettings, "Where"), (Read{RegResult::Ok, bytes("first")}));
}

} // namespace

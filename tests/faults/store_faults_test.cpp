// The settings store going away or turning read-only while the program runs (and a line
// plays): a write either lands in a store that a fresh start reads back, or it reports -1; it
// never reports success for a value that is lost. The music is not disturbed, and once the
// store is back the writes land again.

#include "tests/faults/fault_fixture.h"

#include "platform/store/settings_store.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace klv::test::fault {
namespace {

namespace fs = std::filesystem;

// Sets or clears the immutable flag: unlike a missing write permission it holds for root too.
// False where the file system has no such flag.
bool setImmutable(const fs::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

enum class Lands { Yes, No, Either };

struct StoreFault {
    const char* name;
    // Breaks the store of home; false when this machine cannot do it.
    bool (*inject)(const fs::path& home);
    // Makes the store usable again.
    void (*restore)(const fs::path& home);
    Lands writes; // during the fault
};

void PrintTo(const StoreFault& fault, std::ostream* os) {
    *os << fault.name;
}

const StoreFault kFaults[] = {
    {"StoreFileDeleted",
     [](const fs::path& home) {
         for (const char* name : {"registry.db", "registry.db-wal", "registry.db-shm"})
             fs::remove(home / name);
         return true;
     },
     [](const fs::path&) {}, Lands::Yes},
    {"HomeFolderRemoved",
     [](const fs::path& home) {
         fs::remove_all(home);
         return true;
     },
     [](const fs::path& home) { fs::create_directories(home); }, Lands::Yes},
    {"HomeFolderReplacedByAFile",
     [](const fs::path& home) {
         fs::remove_all(home);
         writeFile(home, "not a folder");
         return true;
     },
     [](const fs::path& home) {
         if (!fs::is_directory(home)) {
             fs::remove(home);
             fs::create_directories(home);
         }
     },
     Lands::No},
    // The database file and its folder can no longer be changed; the write-ahead log beside it
    // still can, so a write may land there.
    {"StoreFileReadOnly",
     [](const fs::path& home) {
         return setImmutable(home / "registry.db", true) && setImmutable(home, true);
     },
     [](const fs::path& home) {
         setImmutable(home, false);
         setImmutable(home / "registry.db", false);
     },
     Lands::Either},
};

// A Kelvara home of the test's own, which the test may remove or replace.
class StoreHome : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        m_previous = std::getenv("KELVARA_HOME");
        m_home = m_dir.path() / "home";
        fs::create_directories(m_home);
        useHome(m_home);
    }
    void TearDown() override {
        useHome(m_previous);
        FaultTest::TearDown();
    }
    static void useHome(const fs::path& home) {
        setenv("KELVARA_HOME", home.c_str(), 1);
        engine::closeLog();
        platform::regClose();
    }
    // What a fresh start of the program would read.
    static int32_t readAfresh(const char* name, char* buffer, int32_t size) {
        platform::regClose();
        std::memset(buffer, 0x5A, static_cast<size_t>(size));
        return klvGetReg("Settings", name, buffer, size);
    }

    // A two-second file looping on a line, so the music goes on through the store's fault.
    void playLoopingLine(Line& line) {
        line.h.loop = 1;
        ASSERT_EQ(klvOpen(&line.h, place("a.wav", constantWav(2 * 44100, kLevel)).c_str()), 0);
        ASSERT_EQ(klvPause(&line.h), 0);
    }

    fs::path m_home;
    std::string m_previous;
};

class StoreFaults : public StoreHome, public testing::WithParamInterface<StoreFault> {
protected:
    void TearDown() override {
        GetParam().restore(m_home); // never leave a flag that keeps the folder from going
        StoreHome::TearDown();
    }
};

TEST_P(StoreFaults, WritesLandOrFailAndNeverClaimSuccessForALostValue) {
    const StoreFault& fault = GetParam();
    ASSERT_EQ(klvStartAudio(), 0);
    DevicePlayer device;
    Line line;
    ASSERT_NO_FATAL_FAILURE(playLoopingLine(line));

    ASSERT_EQ(klvSetReg("Settings", "Before", "old", 3), 0);
    OptionsRecord saved{};
    saved.NumLines = 6;
    ASSERT_EQ(klvSaveOptions(&saved), 0);
    if (!fault.inject(m_home))
        GTEST_SKIP() << "this file system cannot do " << fault.name;

    const int32_t written = klvSetReg("Settings", "During", "new", 3);
    OptionsRecord changed{};
    changed.NumLines = 9;
    const int32_t optionsWritten = klvSaveOptions(&changed);
    EXPECT_EQ(engine::option(&OptionsRecord::NumLines), 9) << "the engine's copy follows";
    char buffer[8];
    const int32_t readBack = readAfresh("During", buffer, sizeof buffer);
    // Whatever the store did, what it said must be true.
    EXPECT_EQ(written == 0, readBack == 3) << written << " " << readBack;
    if (readBack == 3)
        EXPECT_EQ(std::string(buffer, 3), "new");
    else
        for (char c : buffer)
            EXPECT_EQ(c, 0x5A) << "a failed read leaves the buffer alone";
    if (fault.writes != Lands::Either) {
        const int32_t expected = fault.writes == Lands::Yes ? 0 : -1;
        EXPECT_EQ(written, expected);
        EXPECT_EQ(optionsWritten, expected);
    }

    const uint64_t heard = levelFrames(0);
    EXPECT_TRUE(eventually([&] { return levelFrames(0) > heard + 44100; })) << "the line plays on";
    EXPECT_EQ(engine::outputState(), 1);

    fault.restore(m_home);
    EXPECT_EQ(klvSetReg("Settings", "After", "back", 4), 0);
    EXPECT_EQ(readAfresh("After", buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "back");
    EXPECT_TRUE(boxes().empty());
}

// Everything of the store turning read-only at once, as when its file system is remounted
// read-only after an error. SQLite's usual write-ahead log index is a shared mapping of the
// "-shm" file, and touching such a mapping after its file turned read-only kills the process
// with SIGBUS; the store must instead fail its writes, and the music must go on.
class WholeStoreReadOnly : public StoreHome {
protected:
    void SetUp() override {
        StoreHome::SetUp();
        // Characters that mean something in a file name URI.
        m_home = m_dir.path() / "DJ's home ?#%20&";
        fs::create_directories(m_home);
        useHome(m_home);
    }
    void TearDown() override {
        thaw();
        StoreHome::TearDown();
    }
    void thaw() {
        setImmutable(m_home, false);
        for (const auto& entry : fs::directory_iterator(m_home))
            setImmutable(entry.path(), false);
    }
};

TEST_F(WholeStoreReadOnly, WritesFailWithoutACrashAndTheMusicGoesOn) {
    ASSERT_EQ(klvStartAudio(), 0);
    DevicePlayer device;
    Line line;
    ASSERT_NO_FATAL_FAILURE(playLoopingLine(line));
    ASSERT_EQ(klvSetReg("Settings", "Before", "old", 3), 0);
    char buffer[8];
    ASSERT_EQ(klvGetReg("Settings", "Before", buffer, sizeof buffer), 3);

    bool done = true;
    for (const auto& entry : fs::directory_iterator(m_home))
        done = done && setImmutable(entry.path(), true);
    if (!done || !setImmutable(m_home, true))
        GTEST_SKIP() << "this file system has no immutable flag";

    EXPECT_EQ(klvSetReg("Settings", "During", "new", 3), -1);
    EXPECT_EQ(klvSetReg("Settings", "Before", "changed", 7), -1);
    OptionsRecord changed{};
    changed.NumLines = 9;
    EXPECT_EQ(klvSaveOptions(&changed), -1);
    EXPECT_EQ(engine::option(&OptionsRecord::NumLines), 9) << "the engine's copy follows";
    EXPECT_EQ(readAfresh("Before", buffer, sizeof buffer), 3) << "what was stored is still read";
    EXPECT_EQ(std::string(buffer, 3), "old");
    EXPECT_EQ(readAfresh("During", buffer, sizeof buffer), -1);
    const uint64_t heard = levelFrames(0);
    EXPECT_TRUE(eventually([&] { return levelFrames(0) > heard + 44100; })) << "the line plays on";
    EXPECT_EQ(engine::outputState(), 1);

    thaw();
    EXPECT_EQ(klvSetReg("Settings", "After", "back", 4), 0);
    EXPECT_EQ(readAfresh("After", buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "back");
    EXPECT_EQ(readAfresh("Before", buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer, 3), "old");
    EXPECT_EQ(readAfresh("During", buffer, sizeof buffer), -1);
    EXPECT_TRUE(boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, StoreFaults, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<StoreFault>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace klv::test::fault

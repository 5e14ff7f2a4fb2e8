// A playing line whose file goes away under it (a pulled medium) or shrinks (a download cut
// short, a file rewritten by another program): the music that was read plays out, nothing is
// played twice, and the line either continues or ends cleanly instead of hanging.

#include "tests/faults/fault_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace klv::test::fault {
namespace {

// Each transition between the file's level and silence may leave a frame or two in between
// (the speed resampler interpolates); a lost or repeated block of the file is 2048 frames.
constexpr uint64_t kEdgeFrames = 64;

// The frames of a 44100 Hz stereo WAV file's first bytes that reach the device: the decoder
// converts whole chunks of 4096 frames only (a remainder at the very end of a song stays
// unplayed).
uint64_t playableFrames(int64_t bytes) {
    constexpr uint64_t kChunkFrames = 4096;
    const uint64_t frames = static_cast<uint64_t>((bytes - kWavHeader) / 4);
    return frames / kChunkFrames * kChunkFrames;
}

// The line's volume ramps up from silence over its first 400 frames when it starts; when its
// frames are already there, those come out below the level and are not counted.
constexpr uint64_t kRampFrames = 400;

testing::AssertionResult framesNear(uint64_t played, uint64_t expected, uint64_t slack) {
    if (played + kRampFrames + slack >= expected && played <= expected + slack)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << played << " frames played, " << expected << " expected";
}

class FileFaults : public FaultTest {};

// The medium is pulled: the open descriptor starts failing (a folder is put in its place, whose
// reads fail) and the path is gone. The line plays what it had read, tries to reopen every
// 50 ms, and when the medium is back continues exactly where the reader stopped.
TEST_F(FileFaults, AFileRemovedAndRestoredWhilePlayingContinuesWhereItStopped) {
    constexpr uint32_t kFrames = 4 * 44100;
    const std::string path = place("pulled.wav", constantWav(kFrames, kLevel));
    const std::string away = path + ".away";
    ASSERT_EQ(klvStartAudio(), 0);
    DevicePlayer device;
    Line line;
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    ASSERT_EQ(klvPause(&line.h), 0);
    ASSERT_TRUE(eventually([&] { return levelFrames(0) > 0; })) << "the line is audible";

    ASSERT_EQ(std::rename(path.c_str(), away.c_str()), 0);
    const int folder = ::open(m_dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const int32_t descriptor = line.field(line.h.file);
    ASSERT_GE(::dup2(folder, descriptor), 0);
    ::close(folder);
    // The reader loads the descriptor afresh each pass: storing the same number again makes the
    // swap visible to the race detector in the order the kernel gives it.
    KLV_STORE_FIELD(line.h.file, descriptor);

    const std::string readError =
        "Read Error, not EOF - Closing, will re-open in 100ms [" + path + "]";
    const std::string reopen = "Attempting Reopen: " + path;
    ASSERT_TRUE(eventually([&] { return countOccurrences(logText(), reopen) >= 3; }));
    // Everything read before the failure is played out while the file is away.
    const int32_t readBefore = line.filePos();
    EXPECT_LT(readBefore, static_cast<int32_t>(kWavHeader + kFrames * 4));
    EXPECT_TRUE(eventually([&] {
        return levelFrames(0) + kRampFrames + kEdgeFrames >= playableFrames(readBefore);
    })) << levelFrames(0)
        << " of " << playableFrames(readBefore);
    EXPECT_EQ(line.field(line.h.state), 2) << "the line is still started";
    EXPECT_EQ(line.slot().playing.load(), 1);
    EXPECT_FALSE(line.finished());

    ASSERT_EQ(std::rename(away.c_str(), path.c_str()), 0);
    ASSERT_TRUE(eventually([&] { return line.finished(); }));
    ASSERT_TRUE(playedOut());
    EXPECT_TRUE(
        framesNear(levelFrames(0), playableFrames(kWavHeader + kFrames * 4), 3 * kEdgeFrames))
        << levelRuns(0);
    const std::string log = logText();
    EXPECT_EQ(countOccurrences(log, readError), 1u) << log;
    EXPECT_GE(countOccurrences(log, reopen), 3u);
    EXPECT_TRUE(userMessages().empty());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(engine::outputState(), 1);
}

// A file that shrinks while its line is cued: the reader meets the new end early. What had
// been read before plays, the rest of the old length never comes, and the line finishes as
// at a normal end; it is not an error and nothing is reopened.
struct Truncation {
    const char* name;
    bool wav;
    // The new length from the reader's position once it rests (what it has read so far):
    // positive is ahead of it, negative behind it.
    int32_t fromReader;
};

class TruncatedFile : public FileFaults, public testing::WithParamInterface<Truncation> {};

TEST_P(TruncatedFile, PlaysWhatIsLeftAndFinishes) {
    const Truncation& c = GetParam();
    std::string path;
    if (c.wav)
        path = place("cut.wav", constantWav(4 * 44100, kLevel));
    else
        path = place("cut.mp3", readFile(fixture("mp3_cbr128.mp3")));
    ASSERT_EQ(klvStartAudio(), 0);
    Line line;
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    // Cued, not playing: the reader fills up to its limit and rests.
    int32_t resting = -1;
    ASSERT_TRUE(eventually([&] {
        const int32_t before = line.filePos();
        platform::sleepMs(100);
        resting = line.filePos();
        return resting == before && resting > 0;
    }));
    const int64_t length = resting + c.fromReader;
    ASSERT_GT(length, 100);
    ASSERT_EQ(::truncate(path.c_str(), length), 0);

    DevicePlayer device(0, 0);
    ASSERT_EQ(klvPause(&line.h), 0);
    ASSERT_TRUE(eventually([&] { return line.finished(); }));
    ASSERT_TRUE(playedOut());
    if (c.wav) {
        const int64_t played = c.fromReader > 0 ? length : resting;
        EXPECT_TRUE(framesNear(levelFrames(0), playableFrames(played), 2 * kEdgeFrames))
            << levelRuns(0);
    }
    const std::string log = logText();
    EXPECT_EQ(countOccurrences(log, "Read Error"), 0u) << log;
    EXPECT_EQ(countOccurrences(log, "Attempting Reopen"), 0u) << log;
    EXPECT_TRUE(userMessages().empty());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(engine::outputState(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cuts, TruncatedFile,
                         testing::Values(Truncation{"WavAheadOfTheReader", true, 100000},
                                         Truncation{"WavBehindTheReader", true, -100000},
                                         // An odd length ends inside an MP3 frame.
                                         Truncation{"Mp3MidFrameAheadOfTheReader", false, 3001},
                                         Truncation{"Mp3MidFrameBehindTheReader", false, -3001}),
                         [](const testing::TestParamInfo<Truncation>& info) {
                             return std::string(info.param.name);
                         });

// A looping line whose file shrinks keeps looping over what is left.
TEST_F(FileFaults, ALoopingFileThatShrinksLoopsOverWhatIsLeft) {
    const std::string path = place("loop.wav", constantWav(4 * 44100, kLevel));
    ASSERT_EQ(klvStartAudio(), 0);
    Line line;
    line.h.loop = 1;
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    ASSERT_TRUE(eventually([&] { return line.filePos() > 200000; }));
    constexpr int64_t kShort = kWavHeader + 44100 * 4 / 2; // half a second
    ASSERT_EQ(::truncate(path.c_str(), kShort), 0);
    DevicePlayer device(0, 0);
    ASSERT_EQ(klvPause(&line.h), 0);
    // Far more than the old length has played: the line went round several times.
    ASSERT_TRUE(eventually([&] { return levelFrames(0) > 12 * 44100; }));
    EXPECT_FALSE(line.finished());
    EXPECT_EQ(countOccurrences(logText(), "Read Error"), 0u);
    EXPECT_TRUE(userMessages().empty());
}

} // namespace
} // namespace klv::test::fault

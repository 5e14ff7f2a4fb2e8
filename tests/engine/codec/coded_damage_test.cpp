// Damaged coded files: refused at the open with the open's message, or, when the damage shows
// while playing, the line alone stops with the decoding failure; never a crash or a stuck
// line, and the other lines play on. A file pulled while playing is opened again and goes on
// where it was.

#include "engine/core/file_type.h"
#include "engine/core/line_threads.h"
#include "engine/core/transport_internal.h"
#include "engine/core/transport_message.h"
#include "tests/engine/codec/coded_test_util.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace klv::test {
namespace {

class CodedDamageTest : public CodedLineTest {};

TEST_F(CodedDamageTest, FilesThatAreNotAudioAreRefusedAtTheOpen) {
    const std::string m4a = readFile(fixture("coded_aac_44100.m4a"));
    const std::string paths[] = {
        fixture("bad_no_moov.m4a").string(),
        place("text.flac", "This is not a FLAC file, only some words.\n"),
        place("cut.m4a", m4a.substr(0, 40)),
        place("magic.flac", std::string("fLaC") + std::string(200, '\x11')),
        place("empty.ogg", ""),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        m_windows->clear();
        Line line;
        EXPECT_EQ(klvOpen(&line.h, path.c_str()), -1);
        EXPECT_EQ(line.h.slot, nullptr);
        EXPECT_EQ(line.h.decoder, nullptr);
        EXPECT_EQ(line.h.file, 0);
        EXPECT_EQ(userMessages(),
                  std::vector<std::string>{"Can't open file - Invalid or Unsupported File Type"});
        EXPECT_NE(logText().find("Can't determine file type: " + path), std::string::npos);
    }
}

// Each damaged file plays on one line while a WAV tone plays on another: the damaged line ends
// (played out, or stopped by the decoding failure), the tone goes on at its level.
TEST_F(CodedDamageTest, DamageFoundWhilePlayingStopsOnlyThatLine) {
    struct Case {
        const char* fixture;
        bool fails; // the decoder gives up (rather than playing what is left)
    };
    const Case cases[] = {
        {"bad_truncated.flac", false},
        {"bad_pages.ogg", false},
        {"bad_garbage.mp4", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        wavetest::configure(2);
        m_windows->clear();
        Line other(2);
        Line damaged(3);
        ASSERT_EQ(klvOpen(&other.h, fixture("coded_wav_44100_24.wav").c_str()), 0);
        KLV_STORE_FIELD(other.h.loop, 1);
        ASSERT_EQ(klvOpen(&damaged.h, fixture(c.fixture).c_str()), 0);
        ASSERT_EQ(klvStartAudio(), 0);
        klvPlay(&other.h);
        klvPlay(&damaged.h);
        bool ended = false;
        for (int block = 0; block < 400 && !ended && !HasFatalFailure(); ++block) {
            playBlock(other);
            platform::windowSystem().serveRequests();
            ended = load(damaged.h.finished) == 1 || load(damaged.h.state) == 1;
        }
        EXPECT_TRUE(ended);
        const bool failed =
            logText().find("Decode Error on " + fixture(c.fixture).string()) != std::string::npos;
        EXPECT_EQ(failed, c.fails);
        if (c.fails) {
            EXPECT_TRUE(eventually([&] {
                platform::windowSystem().serveRequests();
                const auto messages = userMessages();
                return std::find(messages.begin(), messages.end(),
                                 "Decoding Failed for " + fixture(c.fixture).string()) !=
                       messages.end();
            }));
        }
        // The other line still plays: once the blocks mixed ahead are out, the tone alone.
        playBlocks(other, 8);
        const size_t before = wavetest::played(0).size();
        playBlocks(other, 8);
        const std::vector<int16_t> played = wavetest::played(0);
        int16_t loudest = 0;
        for (size_t i = before; i < played.size(); ++i)
            loudest = std::max<int16_t>(loudest, static_cast<int16_t>(std::abs(played[i])));
        EXPECT_NEAR(loudest, 0.5 * engine::kPcmScale, 0.02 * engine::kPcmScale);
        EXPECT_EQ(load(other.h.state), 2);
        klvKillAudio();
    }
}

// A reader and decoder driven by hand on a copy of the counting FLAC: the medium goes away in
// the middle, the reader closes the file and tries again every 50 ms, and once it is back the
// decoded frames go on exactly where they stopped.
TEST_F(CodedDamageTest, AFilePulledWhilePlayingIsReopenedAndGoesOnWhereItWas) {
    const std::string path = copyFixture("coded_count_44100.flac", "song.flac");
    HandSlot line;
    std::strncpy(line.name, path.c_str(), sizeof(line.name) - 1);
    line.h.file = engine::openAudioFile(path.c_str());
    ASSERT_GT(line.h.file, 0);
    line.slot->dataEnd = static_cast<int32_t>(std::filesystem::file_size(path));
    engine::DeferredMessage message;
    ASSERT_EQ(engine::detectFileType(&line.h, *line.slot, message), 0);
    ASSERT_EQ(line.h.isWave, KLV_SOURCE_CODED);
    engine::DecoderRun run;
    auto wav = std::make_unique<engine::WavScratch>();
    auto mp3 = std::make_unique<engine::Mp3Scratch>();
    std::vector<Frame> frames;
    auto pass = [&] {
        const uint32_t sleep = engine::readerPass(&line.h, *line.slot);
        EXPECT_NE(engine::decoderPass(&line.h, *line.slot, run, *wav, *mp3),
                  engine::kDecoderPassFailed);
        const std::vector<Frame> taken = line.takeFrames();
        frames.insert(frames.end(), taken.begin(), taken.end());
        return sleep;
    };
    for (int i = 0; i < 20; ++i)
        pass();
    ASSERT_GT(frames.size(), 10000u);

    // The medium goes: reads now fail, and the path no longer opens.
    const int folder = ::open(m_dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(::dup2(folder, line.h.file), 0);
    ::close(folder);
    std::filesystem::rename(path, path + ".away");
    uint32_t sleep = 0;
    for (int i = 0; i < 200 && sleep != 50; ++i)
        sleep = pass();
    EXPECT_EQ(sleep, 50u);
    EXPECT_EQ(line.h.file, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(pass(), 50u);
    EXPECT_EQ(countOccurrences(logText(), "Read Error, not EOF - Closing, will re-open in 100ms [" +
                                              path + "]"),
              1u);
    EXPECT_EQ(countOccurrences(logText(), "Attempting Reopen: " + path), 3u);

    std::filesystem::rename(path + ".away", path);
    for (int i = 0; i < 20000 && line.h.finished == 0; ++i)
        pass();
    EXPECT_EQ(line.h.finished, 1);
    EXPECT_GT(line.h.file, 0);
    ASSERT_EQ(frames.size(), 20u * 44100);
    for (size_t i = 0; i < frames.size(); ++i) {
        const Frame expected = countingFrame(static_cast<int64_t>(i));
        ASSERT_EQ(frames[i].left, expected.left) << i;
        ASSERT_EQ(frames[i].right, expected.right) << i;
    }
    engine::releaseLineDecoder(&line.h);
    ::close(line.h.file);
}

} // namespace
} // namespace klv::test

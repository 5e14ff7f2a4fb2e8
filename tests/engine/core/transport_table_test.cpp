// Transport: the states a line passes through, moving it, and what it reports.

#include "engine/audio/sample_ring.h"
#include "engine/core/file_ring.h"
#include "tests/engine/core/transport_test_util.h"
#include "tests/support/line_handle_fields.h"

#include <cstring>

namespace klv::test {
namespace {

class TransportTest : public LineTest {};

TEST_F(TransportTest, CallsOnAClosedHandleChangeNothing) {
    LineHandle h{};
    h.file = -7;
    h.state = 5;
    h.percent = 33;
    h.remaining = 1234;
    h.paused = 1;
    h.preview = 1;
    h.index = 9;
    const LineHandle before = h;
    char total[16] = "total";
    char remaining[16] = "rem";
    char elapsed[16] = "el";
    int32_t byteRate = -1;
    int32_t sampleRate = -1;
    EXPECT_EQ(klvPlay(&h), 0);
    EXPECT_EQ(klvPause(&h), 0);
    EXPECT_EQ(klvStop(&h), 0);
    EXPECT_EQ(klvSetPos(&h, 40), 0);
    EXPECT_EQ(klvDisplayPos(&h, 40), 0);
    EXPECT_EQ(klvUpdatePos(&h), 0);
    EXPECT_EQ(klvGetInfo(&h, &byteRate, &sampleRate, total, remaining, elapsed), 0);
    EXPECT_EQ(klvSetPreview(&h), 0);
    EXPECT_EQ(klvClose(&h), 0);
    EXPECT_EQ(handleFields(h), handleFields(before));
    EXPECT_STREQ(total, "total");
    EXPECT_EQ(byteRate, -1);
    EXPECT_EQ(klvCheckPlaying(), 0);
}

TEST_F(TransportTest, PlayPauseStopAndMoveFollowTheStateTable) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_stereo.wav").c_str()), 0);
    LineSlot& slot = line.slot();
    struct Step {
        const char* call;
        std::function<void()> run;
        int32_t state;
        int32_t playing;
        int32_t paused;
    };
    const Step steps[] = {
        {"open", [] {}, 1, 0, 0},
        {"pause starts a cued line", [&] { klvPause(&line.h); }, 2, 1, 0},
        {"pause pauses a playing line", [&] { klvPause(&line.h); }, 2, 0, 1},
        {"pause starts a paused line", [&] { klvPause(&line.h); }, 2, 1, 0},
        {"pause again", [&] { klvPause(&line.h); }, 2, 0, 1},
        {"set pos leaves it positioned", [&] { klvSetPos(&line.h, 30); }, 2, 0, 1},
        {"pause starts a positioned line", [&] { klvPause(&line.h); }, 2, 1, 0},
        {"stop cues it at its start", [&] { klvStop(&line.h); }, 1, 0, 0},
        {"play", [&] { klvPlay(&line.h); }, 2, 1, 0},
        {"set pos while playing", [&] { klvSetPos(&line.h, 10); }, 2, 0, 0},
        {"display pos touches no state", [&] { klvDisplayPos(&line.h, 70); }, 2, 0, 0},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(load(line.h.state), step.state) << step.call;
        EXPECT_EQ(slot.playing, step.playing) << step.call;
        EXPECT_EQ(load(line.h.paused), step.paused) << step.call;
    }
}

TEST_F(TransportTest, StartingFadesInWhileStoppingAndPausingKeepTheVolume) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_stereo.wav").c_str()), 0);
    EXPECT_EQ(line.slot().currentVolume, 1.0f);
    klvPause(&line.h);
    EXPECT_EQ(line.slot().currentVolume, 0.0f);
    line.slot().currentVolume = 0.8f;
    klvPause(&line.h);
    EXPECT_EQ(line.slot().currentVolume, 0.8f);
    klvPlay(&line.h); // starts mixing without a fade
    EXPECT_EQ(line.slot().currentVolume, 0.8f);
    klvSetPos(&line.h, 0);
    EXPECT_EQ(line.slot().currentVolume, 0.8f); // from the very start: no fade
    klvSetPos(&line.h, 1);
    EXPECT_EQ(line.slot().currentVolume, 0.0f);
}

TEST_F(TransportTest, CheckPlayingCountsOnlyLinesThatPlay) {
    Line a(1), b(2), c(3);
    for (Line* line : {&a, &b, &c})
        ASSERT_EQ(klvOpen(&line->h, fixture("wav_44100_16_mono.wav").c_str()), 0);
    EXPECT_EQ(klvCheckPlaying(), 0);
    klvPause(&a.h);
    klvPause(&b.h);
    klvPause(&c.h);
    EXPECT_EQ(klvCheckPlaying(), 3);
    klvPause(&b.h); // paused
    EXPECT_EQ(klvCheckPlaying(), 2);
    klvSetPos(&c.h, 50); // positioned
    EXPECT_EQ(klvCheckPlaying(), 1);
    klvClose(&a.h);
    EXPECT_EQ(klvCheckPlaying(), 0);
}

// A seek on a WAV line starts reading at a whole frame: the table's offset rounded down to a
// multiple of 4, never before the sample data.
TEST_F(TransportTest, WavSeeksLandOnMultiplesOfFourFromByte44) {
    const auto path = fixture("wav_44100_16_mono.wav");
    const std::string file = readFile(path);
    const int64_t size = static_cast<int64_t>(file.size());
    struct Case {
        int32_t asked;
        int32_t percent;
    };
    for (const Case& c :
         {Case{-5, 0}, Case{0, 0}, Case{1, 1}, Case{37, 37}, Case{99, 99}, Case{150, 99}}) {
        SCOPED_TRACE(c.asked);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
        const int32_t length = line.slot().length;
        ASSERT_EQ(klvSetPos(&line.h, c.asked), 0);
        EXPECT_EQ(load(line.h.percent), c.percent);
        EXPECT_EQ(line.slot().position, static_cast<int32_t>(int64_t{c.percent} * length / 100));
        const int64_t entry = c.percent == 0 ? 44 : c.percent * size / 100;
        const int64_t offset = std::max<int64_t>(entry & ~int64_t{3}, 44);
        ASSERT_TRUE(eventually([&] { return line.slot().fileWrite >= 64; }));
        EXPECT_EQ(std::memcmp(line.slot().fileRing, file.data() + offset, 64), 0);
    }
}

TEST_F(TransportTest, Mp3SeeksStartAtTheNextFrame) {
    const auto path = fixture("mp3_cbr128.mp3");
    const std::string file = readFile(path);
    Line line;
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    const int32_t entry = line.slot().seekTable[40];
    EXPECT_EQ(entry, static_cast<int32_t>(40 * static_cast<int64_t>(file.size()) / 100));
    ASSERT_EQ(klvSetPos(&line.h, 40), 0);
    ASSERT_TRUE(eventually([&] { return line.slot().fileWrite >= 4; }));
    const auto* ring = line.slot().fileRing;
    EXPECT_EQ(ring[0], 0xFF);
    EXPECT_EQ(ring[1] & 0xFE, 0xFA);
    // The bytes come from the first frame at or after the table's offset.
    const size_t found =
        file.find(std::string(reinterpret_cast<const char*>(ring), 64), static_cast<size_t>(entry));
    EXPECT_NE(found, std::string::npos);
    EXPECT_LT(found, static_cast<size_t>(entry) + 418 + 1);
}

TEST_F(TransportTest, DisplayPosClampsAndLeavesTheStreamAlone) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_stereo.wav").c_str()), 0);
    const int32_t length = line.slot().length;
    for (auto [asked, percent] : {std::pair{-5, 0}, std::pair{150, 99}, std::pair{25, 25}}) {
        klvDisplayPos(&line.h, asked);
        EXPECT_EQ(load(line.h.percent), percent);
        EXPECT_EQ(line.slot().position, static_cast<int32_t>(int64_t{percent} * length / 100));
        EXPECT_EQ(load(line.h.state), 1);
    }
}

TEST_F(TransportTest, InfoOfACuedLineStartsAtZero) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_stereo.wav").c_str()), 0);
    klvDisplayPos(&line.h, 50);
    int32_t byteRate = 0;
    int32_t sampleRate = 0;
    char total[16], remaining[16], elapsed[16];
    ASSERT_EQ(klvGetInfo(&line.h, &byteRate, &sampleRate, total, remaining, elapsed), 0);
    EXPECT_EQ(byteRate, 176400);
    EXPECT_EQ(sampleRate, 44100);
    EXPECT_EQ(line.slot().position, 0);
    // 352844 bytes at 176400 per second, header included: 88211 frames.
    EXPECT_EQ(line.slot().length, 88211);
    EXPECT_STREQ(total, "0:02.00");
    EXPECT_STREQ(remaining, "-0:02.00");
    EXPECT_STREQ(elapsed, "0:00.00");

    // Started, the position counts; past the length the strings stay as they were.
    klvPlay(&line.h);
    line.slot().position = 66150; // 1.5 s
    ASSERT_EQ(klvGetInfo(&line.h, nullptr, nullptr, total, remaining, elapsed), 0);
    EXPECT_STREQ(elapsed, "0:01.50");
    EXPECT_STREQ(remaining, "-0:00.50");
    line.slot().position = 88212;
    ASSERT_EQ(klvGetInfo(&line.h, &byteRate, &sampleRate, total, remaining, elapsed), 0);
    EXPECT_STREQ(elapsed, "0:01.50");
}

// Minutes are shown modulo 100: a 105-minute file reads 5:00.00.
TEST_F(TransportTest, AVeryLongFileShowsItsMinutesModulo100) {
    const std::string header = readFile(fixture("wav_44100_16_stereo.wav")).substr(0, 44);
    const int64_t dataBytes = int64_t{105} * 60 * 176400;
    std::string withSize = header;
    for (int i = 0; i < 4; ++i)
        withSize[40 + i] = static_cast<char>((dataBytes >> (8 * i)) & 0xFF);
    const std::string path = place("long.wav", withSize);
    std::filesystem::resize_file(path, static_cast<uintmax_t>(44 + dataBytes)); // sparse
    Line line;
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    char total[16], remaining[16], elapsed[16];
    ASSERT_EQ(klvGetInfo(&line.h, nullptr, nullptr, total, remaining, elapsed), 0);
    EXPECT_STREQ(total, "5:00.00");
    EXPECT_STREQ(remaining, "-5:00.00");
}

TEST_F(TransportTest, PositionUpdateOfACuedLineReportsItsStart) {
    struct Case {
        const char* fixture;
        int32_t length;
    };
    // 2880000 bytes at 16000 per second.
    for (const Case& c : {Case{"mp3_48000_3min.mp3", 7938000},
                          Case{"wav_44100_16_stereo.wav", 88211}, Case{"mp3_cbr128.mp3", 0}}) {
        SCOPED_TRACE(c.fixture);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, fixture(c.fixture).c_str()), 0);
        // Rings filled ahead.
        ASSERT_TRUE(eventually([&] { return engine::sampleRingUsed(line.slot()) > 20000; }));
        for (int call = 0; call < 3; ++call) {
            ASSERT_EQ(klvUpdatePos(&line.h), 0);
            EXPECT_EQ(line.slot().position, 0);
            EXPECT_EQ(load(line.h.percent), 0);
            const int32_t length = line.slot().length;
            if (c.length > 0) {
                EXPECT_EQ(length, c.length);
            }
            EXPECT_EQ(load(line.h.remaining), static_cast<int32_t>(int64_t{length} * 100 / 44100));
        }
    }
}

// Positions follow the frames handed to the output: what the rings hold ahead is not counted.
TEST_F(TransportTest, PositionUpdateCountsWhatHasBeenPlayed) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("mp3_48000_3min.mp3").c_str()), 0);
    klvPlay(&line.h);
    // The output thread's part, done by the test: take frames as they come, about 15 seconds.
    int64_t taken = 0;
    while (taken < 15 * 44100) {
        ASSERT_TRUE(eventually([&] { return engine::sampleRingUsed(line.slot()) > 0; }));
        const int32_t used = engine::sampleRingUsed(line.slot());
        line.slot().sampleRead = (line.slot().sampleRead + used) % kSampleRingFrames;
        taken += used;
    }
    klvUpdatePos(&line.h);
    // A 48000 stream converts 1152 frames into 1058: the byte-rate estimate and the frames
    // played agree within a frame's worth.
    EXPECT_NEAR(line.slot().position, static_cast<double>(taken), 1200.0);
    EXPECT_EQ(load(line.h.percent),
              static_cast<int32_t>(line.slot().position * int64_t{100} / 7938000));
    EXPECT_EQ(load(line.h.remaining),
              static_cast<int32_t>((7938000 - int64_t{line.slot().position}) * 100 / 44100));
    EXPECT_GT(load(line.h.remaining), 16000); // counting down from about 18000
}

// Without a table of contents the length of a variable-bit-rate file follows the average of
// the frames decoded so far.
TEST_F(TransportTest, AVariableBitRateLengthChangesWhileItPlays) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("mp3_vbr_plain.mp3").c_str()), 0);
    klvPlay(&line.h);
    std::vector<int32_t> lengths;
    while (load(line.h.finished) == 0 && lengths.size() < 2000) {
        ASSERT_TRUE(eventually(
            [&] { return engine::sampleRingUsed(line.slot()) > 0 || load(line.h.finished) == 1; }));
        line.slot().sampleRead = line.slot().sampleWrite.load();
        klvUpdatePos(&line.h);
        if (lengths.empty() || lengths.back() != line.slot().length)
            lengths.push_back(line.slot().length);
    }
    ASSERT_GE(lengths.size(), 3u);
    // Quiet at first (few bytes per second: long), then noise (many: shorter).
    EXPECT_GT(lengths.front(), lengths.back() * 3 / 2);
    const int64_t dataEnd = line.slot().dataEnd;
    EXPECT_EQ(lengths.back(), static_cast<int32_t>(dataEnd * 44100 / line.slot().byteRate));
}

// A looping line's reader is already in the next pass while the output still plays the end of
// the last: the position is folded back into the song.
TEST_F(TransportTest, ALoopingLinesPositionStaysWithinTheSong) {
    Line line;
    line.h.loop = 1;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_mono.wav").c_str()), 0);
    klvPlay(&line.h);
    const int32_t length = line.slot().length;
    int64_t taken = 0;
    int checks = 0;
    while (taken < 4 * 44100) {
        ASSERT_TRUE(eventually([&] { return engine::sampleRingUsed(line.slot()) >= 4096; }));
        line.slot().sampleRead = (line.slot().sampleRead + 4096) % kSampleRingFrames;
        taken += 4096;
        klvUpdatePos(&line.h);
        const int32_t position = line.slot().position;
        EXPECT_GE(position, 0);
        EXPECT_LE(position, length);
        // Each pass plays the whole chunks of the file and joins the next without a gap, so
        // the song position is what was taken modulo the frames of one pass, give or take the
        // guards and the chunk that spans the join.
        const int64_t expected = taken % length;
        const int64_t difference = std::llabs(position - expected);
        EXPECT_TRUE(difference < 5000 || length - difference < 5000)
            << taken << ": " << position << " vs " << expected;
        EXPECT_LE(load(line.h.percent), 100);
        ++checks;
    }
    EXPECT_GT(checks, 40);
}

TEST_F(TransportTest, SlotsAreTakenLowestFirstAndReusedAfterClose) {
    std::vector<std::unique_ptr<Line>> lines;
    for (int i = 0; i < 6; ++i) {
        lines.push_back(std::make_unique<Line>(i));
        ASSERT_EQ(klvOpen(&lines.back()->h, fixture("wav_8000_8_mono.wav").c_str()), 0);
    }
    LineSlot* third = lines[3]->h.slot;
    klvClose(&lines[3]->h);
    Line again(40);
    ASSERT_EQ(klvOpen(&again.h, fixture("wav_8000_8_mono.wav").c_str()), 0);
    EXPECT_EQ(again.h.slot, third);
    // Reopening a handle that has a file closes that file first and takes a slot again.
    ASSERT_EQ(klvOpen(&again.h, fixture("wav_44100_16_mono.wav").c_str()), 0);
    EXPECT_EQ(again.h.slot, third);
    EXPECT_EQ(again.slot().sampleRate, 44100);
}

TEST_F(TransportTest, TheTwentyFifthLineIsRefused) {
    std::vector<std::unique_ptr<Line>> lines;
    for (int i = 0; i < kLineSlotCount; ++i) {
        lines.push_back(std::make_unique<Line>(i));
        ASSERT_EQ(klvOpen(&lines.back()->h, fixture("wav_8000_8_mono.wav").c_str()), 0) << i;
    }
    Line extra(50);
    EXPECT_EQ(klvOpen(&extra.h, fixture("wav_8000_8_mono.wav").c_str()), -1);
    EXPECT_EQ(extra.h.slot, nullptr);
    EXPECT_EQ(extra.h.file, 0);
    EXPECT_NE(logText().find("All 24 lines are in use"), std::string::npos);
}

TEST_F(TransportTest, PreviewIsCopiedWhenAsked) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_8000_8_mono.wav").c_str()), 0);
    KLV_STORE_FIELD(line.h.preview, 1);
    EXPECT_EQ(line.slot().preview, 0);
    klvSetPreview(&line.h);
    EXPECT_EQ(line.slot().preview, 1);
}

} // namespace
} // namespace klv::test

// The MP3 adapter: finding the stream, the engine's framing and error budget around libmpg123,
// the rate conversion, and the Xing table of contents.

#include "engine/core/file_ring.h"
#include "engine/core/mp3_decode_step.h"
#include "engine/core/mp3_decoder.h"
#include "engine/core/mp3_stream_search.h"
#include "tests/engine/core/transport_test_util.h"

#include <fcntl.h>
#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace klv::test {
namespace {

using engine::decodeMp3Step;
using engine::Mp3Decoder;
using engine::Mp3Scratch;
using engine::Mp3StreamInfo;
using engine::mp3StreamSearch;

// Searches bytes placed in a file from offset; returns the offset found or -1.
int64_t searchAt(const std::filesystem::path& path, off_t from, Mp3StreamInfo* info = nullptr) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return -2;
    ::lseek(fd, from, SEEK_SET);
    const int64_t result = mp3StreamSearch(fd, info) == 0 ? ::lseek(fd, 0, SEEK_CUR) : -1;
    ::close(fd);
    return result;
}

std::vector<size_t> frameStarts(const std::string& mp3) {
    std::vector<size_t> starts;
    for (size_t at = 0; at + 4 <= mp3.size();) {
        const auto word = engine::mp3Word(reinterpret_cast<const uint8_t*>(mp3.data() + at));
        if (!engine::isValidMp3Header(word))
            break;
        starts.push_back(at);
        at += static_cast<size_t>(engine::mp3FrameLength(word));
    }
    return starts;
}

class StreamSearchTest : public LineTest {
protected:
    std::filesystem::path file(const std::string& bytes) {
        return place("search" + std::to_string(m_count++) + ".mp3", bytes);
    }
    int m_count = 0;
};

TEST_F(StreamSearchTest, FindsTwoConsecutiveFramesWithinTheLimit) {
    const std::string cbr = readFile(fixture("mp3_cbr128.mp3"));
    const auto starts = frameStarts(cbr);
    ASSERT_GT(starts.size(), 100u);
    const std::string loneHeader = std::string("\xFF\xFB\x90\x44", 4) + std::string(300, '\x11');
    struct Case {
        const char* what;
        std::string bytes;
        off_t from;
        int64_t found;
    };
    const Case cases[] = {
        {"stream at the start", cbr, 0, 0},
        {"20000 zeros first", std::string(20000, '\0') + cbr, 0, 20000},
        {"99000 zeros first", std::string(99000, '\0') + cbr, 0, 99000},
        {"120000 zeros first", std::string(120000, '\0') + cbr, 0, -1},
        {"a lone header is skipped", loneHeader + cbr, 0, static_cast<int64_t>(loneHeader.size())},
        {"from inside a frame", cbr, static_cast<off_t>(starts[10] + 7),
         static_cast<int64_t>(starts[11])},
        {"from the start of a frame", cbr, static_cast<off_t>(starts[30]),
         static_cast<int64_t>(starts[30])},
        {"the last frame has no successor", cbr.substr(0, starts[5] + 4), 0, 0},
        {"one frame alone", cbr.substr(0, starts[1]), 0, -1},
        {"empty", "", 0, -1},
        {"three bytes", "\xFF\xFB\x90", 0, -1},
        {"MPEG-2 frames", std::string("\xFF\xF3\x90\x44", 4) + std::string(1000, '\0'), 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(searchAt(file(c.bytes), c.from), c.found) << c.what;
}

TEST_F(StreamSearchTest, ReportsTheFirstFramesFormat) {
    struct Case {
        const char* fixture;
        Mp3StreamInfo expected;
    };
    const Case cases[] = {
        {"mp3_cbr128.mp3", {2, 44100, 16000}}, {"mp3_cbr320.mp3", {2, 44100, 40000}},
        {"mp3_mono.mp3", {1, 44100, 8000}},    {"mp3_48000.mp3", {2, 48000, 16000}},
        {"mp3_32000.mp3", {2, 32000, 16000}},
    };
    for (const Case& c : cases) {
        Mp3StreamInfo info;
        ASSERT_EQ(searchAt(fixture(c.fixture), 0, &info), 0) << c.fixture;
        EXPECT_EQ(info.channels, c.expected.channels) << c.fixture;
        EXPECT_EQ(info.sampleRate, c.expected.sampleRate) << c.fixture;
        EXPECT_EQ(info.byteRate, c.expected.byteRate) << c.fixture;
    }
}

// Decodes a whole file through the engine's decode step, the FileRing topped up as the reader
// would and the SampleRing emptied as the output thread would.
class DecodeRun {
public:
    explicit DecodeRun(const std::string& bytes) : m_bytes(bytes) {
        m_decoder = Mp3Decoder::create();
        const auto word =
            engine::mp3Word(reinterpret_cast<const uint8_t*>(bytes.data() + firstFrame(bytes)));
        m_line.slot->sampleRate = engine::mp3SampleRate(word);
        m_line.slot->channels = engine::mp3Channels(word);
        m_line.slot->byteRateSum = engine::mp3ByteRate(word);
        m_line.slot->byteRateCount = 1;
        m_line.slot->byteRate = engine::mp3ByteRate(word);
        m_line.h.decoder = m_decoder;
        std::strcpy(m_line.name, "test.mp3");
    }
    ~DecodeRun() { Mp3Decoder::destroy(m_decoder); }

    static size_t firstFrame(const std::string& bytes) {
        for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
            if (engine::isValidMp3Header(
                    engine::mp3Word(reinterpret_cast<const uint8_t*>(bytes.data() + i))))
                return i;
        }
        return 0;
    }

    // One decode step; the frames it produced, or -1 when the stream was found corrupt.
    int32_t step() {
        pump();
        const int32_t before = m_line.slot->sampleWrite;
        if (decodeMp3Step(&m_line.h, *m_line.slot, *m_decoder, m_scratch) != 0)
            return -1;
        const int32_t produced =
            (m_line.slot->sampleWrite - before + kSampleRingFrames) % kSampleRingFrames;
        auto frames = m_line.takeFrames();
        m_frames.insert(m_frames.end(), frames.begin(), frames.end());
        return produced;
    }

    // Steps until the file is used up and a few steps in a row produce nothing. Returns the
    // number of steps that delivered frames, or -1 once the stream was found corrupt.
    int32_t runToEnd(const std::function<void(int32_t)>& afterStep = {}) {
        int32_t delivered = 0;
        int32_t idle = 0;
        while (idle < 8) {
            const int32_t produced = step();
            if (produced < 0)
                return -1;
            if (afterStep)
                afterStep(produced);
            delivered += produced > 0;
            const bool drained =
                m_fed == m_bytes.size() && engine::fileRingBuffered(*m_line.slot) == 0;
            idle = produced == 0 && drained ? idle + 1 : 0;
        }
        return delivered;
    }

    // Keeps at most this many bytes in the FileRing, so that what happens inside one step can
    // be seen from outside.
    void limitPump(size_t bytes) { m_pumpLimit = bytes; }

    const std::vector<Frame>& frames() const { return m_frames; }
    Mp3Decoder& decoder() { return *m_decoder; }
    LineSlot& slot() { return *m_line.slot; }

private:
    void pump() {
        const size_t free = static_cast<size_t>(engine::fileRingFree(*m_line.slot));
        const size_t buffered = static_cast<size_t>(engine::fileRingBuffered(*m_line.slot));
        const size_t room = m_pumpLimit > buffered ? m_pumpLimit - buffered : 0;
        const size_t count = std::min({free, m_bytes.size() - m_fed, room});
        m_line.putFileBytes(m_bytes.substr(m_fed, count));
        m_fed += count;
    }

    std::string m_bytes;
    size_t m_fed = 0;
    size_t m_pumpLimit = SIZE_MAX;
    HandSlot m_line;
    Mp3Decoder* m_decoder = nullptr;
    Mp3Scratch m_scratch;
    std::vector<Frame> m_frames;
};

// What libmpg123 makes of the same bytes on its own, as float stereo.
std::vector<Frame> bareDecode(const std::string& bytes) {
    mpg123_init();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0.0);
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_format_none(handle);
    for (long rate : {32000L, 44100L, 48000L})
        mpg123_format(handle, rate, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    mpg123_open_feed(handle);
    mpg123_feed(handle, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    std::vector<Frame> frames;
    for (;;) {
        off_t number = 0;
        unsigned char* audio = nullptr;
        size_t size = 0;
        const int result = mpg123_decode_frame(handle, &number, &audio, &size);
        if (result == MPG123_NEW_FORMAT)
            continue;
        if (result != MPG123_OK)
            break;
        const auto* samples = reinterpret_cast<const Frame*>(audio);
        frames.insert(frames.end(), samples, samples + size / sizeof(Frame));
    }
    mpg123_delete(handle);
    return frames;
}

TEST(Mp3DecodeTest, DeliversEveryFrameAsLibmpg123DecodesIt) {
    const std::string bytes = readFile(fixture("mp3_cbr128.mp3"));
    DecodeRun run(bytes);
    const int32_t delivered = run.runToEnd(
        [](int32_t produced) { EXPECT_TRUE(produced == 0 || produced == 1152) << produced; });
    EXPECT_EQ(delivered, static_cast<int32_t>(frameStarts(bytes).size()));
    const std::vector<Frame> reference = bareDecode(bytes);
    ASSERT_EQ(run.frames().size(), reference.size());
    size_t different = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        different += run.frames()[i].left != reference[i].left ||
                     run.frames()[i].right != reference[i].right;
    }
    EXPECT_EQ(different, 0u);
    EXPECT_EQ(run.decoder().heldBytes(), 0);
    EXPECT_EQ(run.decoder().errorCount(), 0);
}

TEST(Mp3DecodeTest, OtherRatesAreConvertedTo44100FramePerFrame) {
    struct Case {
        const char* fixture;
        int32_t perFrame;
    };
    for (const Case& c : {Case{"mp3_48000.mp3", 1058}, Case{"mp3_32000.mp3", 1587}}) {
        DecodeRun run(readFile(fixture(c.fixture)));
        const int32_t delivered = run.runToEnd([&](int32_t produced) {
            EXPECT_TRUE(produced == 0 || produced == c.perFrame) << c.fixture << " " << produced;
        });
        EXPECT_GT(delivered, 50) << c.fixture;
        EXPECT_EQ(run.frames().size(), static_cast<size_t>(delivered) * c.perFrame);
        // A 440 Hz tone at 0.4 comes through the conversion at its level.
        float peak = 0.0f;
        for (const Frame& f : run.frames())
            peak = std::max(peak, std::fabs(f.left));
        EXPECT_NEAR(peak, 0.4f, 0.05f) << c.fixture;
    }
}

TEST(Mp3DecodeTest, MonoComesOutInBothChannels) {
    DecodeRun run(readFile(fixture("mp3_mono.mp3")));
    ASSERT_GT(run.runToEnd(), 0);
    float peak = 0.0f;
    size_t unequal = 0;
    for (const Frame& f : run.frames()) {
        unequal += f.left != f.right;
        peak = std::max(peak, std::fabs(f.left));
    }
    EXPECT_EQ(unequal, 0u);
    EXPECT_GT(peak, 0.3f);
}

TEST(Mp3DecodeTest, AFileCutInsideAFramePlaysToTheLastWholeFrameQuietly) {
    const std::string bytes = readFile(fixture("mp3_cut_mid_frame.mp3"));
    DecodeRun run(bytes);
    const int32_t delivered = run.runToEnd();
    EXPECT_EQ(delivered, static_cast<int32_t>(frameStarts(bytes).size()) - 1);
    EXPECT_EQ(run.decoder().errorCount(), 0);
    EXPECT_GT(run.decoder().heldBytes(), 0); // the half frame waits for bytes that never come
    EXPECT_EQ(logText().find("Corrupt"), std::string::npos);
}

TEST(Mp3DecodeTest, GarbageCostsOneAttemptPerPieceAndAGoodFrameRestoresTheBudget) {
    const std::string bytes = readFile(fixture("mp3_garbage_between.mp3"));
    DecodeRun run(bytes);
    run.limitPump(engine::kMp3FeedPiece);
    int32_t worst = 0;
    const int32_t delivered =
        run.runToEnd([&](int32_t) { worst = std::max(worst, run.decoder().errorCount()); });
    // 5000 bytes of junk are fed in pieces of 1024: five or six failed attempts.
    EXPECT_GE(worst, 5);
    EXPECT_LE(worst, 6);
    EXPECT_EQ(run.decoder().errorCount(), 0);
    EXPECT_EQ(delivered,
              static_cast<int32_t>(frameStarts(readFile(fixture("mp3_cbr128.mp3"))).size()));
}

TEST(Mp3DecodeTest, TrailingTagDataIsNotAnError) {
    DecodeRun run(readFile(fixture("mp3_id3v1.mp3")));
    const int32_t delivered = run.runToEnd();
    EXPECT_EQ(delivered,
              static_cast<int32_t>(frameStarts(readFile(fixture("mp3_cbr128.mp3"))).size()));
    EXPECT_LE(run.decoder().errorCount(), 1);
}

TEST(Mp3DecodeTest, MoreThan500FailedAttemptsInARowMakeTheStreamCorrupt) {
    DecodeRun run(readFile(fixture("mp3_corrupt.mp3")));
    EXPECT_EQ(run.runToEnd(), -1);
    EXPECT_EQ(run.frames().size(), 20u * 1152u);
    EXPECT_NE(logText().find("Corrupt MP3 File: test.mp3"), std::string::npos);
    EXPECT_EQ(run.decoder().errorCount(), 0); // the budget starts again
}

TEST(Mp3DecodeTest, TheByteRateFollowsAVariableBitRate) {
    DecodeRun run(readFile(fixture("mp3_vbr_plain.mp3")));
    std::vector<int32_t> rates;
    run.runToEnd([&](int32_t produced) {
        if (produced > 0)
            rates.push_back(run.slot().byteRate);
    });
    ASSERT_GT(rates.size(), 200u);
    // Three quiet seconds first, then noise: the average rises as the noise is decoded.
    const int32_t afterQuiet = rates[rates.size() / 2 - 10];
    EXPECT_GT(rates.back(), afterQuiet * 3 / 2);
    EXPECT_EQ(run.slot().byteRateCount, static_cast<int32_t>(rates.size()) + 1);
}

// A header whose rate or channel mode differs from the third frame's is not accepted from the
// fourth frame on.
TEST(Mp3DecodeTest, FramesThatChangeFormatAfterTheThirdAreRefused) {
    const std::string stereo = readFile(fixture("mp3_cbr128.mp3"));
    const std::string mono = readFile(fixture("mp3_mono.mp3"));
    const auto stereoStarts = frameStarts(stereo);
    const auto monoStarts = frameStarts(mono);
    // Five stereo frames, then mono frames.
    const std::string mixed = stereo.substr(0, stereoStarts[5]) + mono.substr(0, monoStarts[40]);
    DecodeRun run(mixed);
    int32_t delivered = 0;
    for (int i = 0; i < 200; ++i)
        delivered += run.step() > 0;
    EXPECT_EQ(delivered, 5);
    EXPECT_GT(run.decoder().errorCount(), 30);
}

TEST(Mp3DecodeTest, DecodedSamplesAreLimitedAndNaNIsSilence) {
    const float nan = std::nanf("");
    const float inf = HUGE_VALF;
    const std::vector<float> in = {0.5f, -0.25f, 2.0f,   -2.0f, 2.5f, -7.0f, nan,
                                   inf,  -inf,   1.999f, -nan,  0.0f, 3.0f};
    const std::vector<float> expected = {0.5f, -0.25f, 2.0f,   -2.0f, 2.0f, -2.0f, 0.0f,
                                         2.0f, -2.0f,  1.999f, 0.0f,  0.0f, 2.0f};
    // Every length, so that both the wide and the single-sample paths see every value.
    for (size_t length = 0; length <= in.size(); ++length) {
        std::vector<float> out(length, 99.0f);
        engine::copyLimitedSamples(in.data(), out.data(), length);
        for (size_t i = 0; i < length; ++i)
            EXPECT_EQ(out[i], expected[i]) << "length " << length << " sample " << i;
    }
}

class XingTest : public LineTest {};

TEST_F(XingTest, TheTableOfContentsBecomesTheSeekTable) {
    const std::string bytes = readFile(fixture("mp3_vbr_xing.mp3"));
    ASSERT_EQ(bytes.substr(36, 4), "Xing");
    ASSERT_EQ(static_cast<uint8_t>(bytes[43]) & 7, 7); // frames, bytes and table present
    const size_t tocAt = 36 + 8 + 4 + 4;
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("mp3_vbr_xing.mp3").c_str()), 0);
    const int64_t dataEnd = static_cast<int64_t>(bytes.size());
    bool even = true;
    for (int i = 0; i < 100; ++i) {
        const int64_t expected = dataEnd * static_cast<uint8_t>(bytes[tocAt + i]) / 256;
        EXPECT_EQ(line.slot().seekTable[i], expected) << i;
        even = even && line.slot().seekTable[i] == i * dataEnd / 100;
    }
    EXPECT_FALSE(even);
}

TEST_F(XingTest, WithoutAUsableTableTheSeekTableIsEven) {
    std::string lying = readFile(fixture("mp3_vbr_xing.mp3"));
    const uint32_t claimed = static_cast<uint32_t>(lying.size() + 5000);
    for (int i = 0; i < 4; ++i)
        lying[48 + i] = static_cast<char>(claimed >> (24 - 8 * i));
    std::string unordered = readFile(fixture("mp3_vbr_xing.mp3"));
    std::swap(unordered[52 + 10], unordered[52 + 60]);
    struct Case {
        const char* what;
        std::string path;
    };
    const Case cases[] = {
        {"an Info frame", fixture("mp3_cbr128_info.mp3").string()},
        {"no tag frame", fixture("mp3_vbr_plain.mp3").string()},
        {"zeros before the stream", fixture("mp3_zeros_20000.mp3").string()},
        {"byte count far from the file size", place("lying.mp3", lying)},
        {"a table that goes backwards", place("unordered.mp3", unordered)},
    };
    for (const Case& c : cases) {
        Line line;
        ASSERT_EQ(klvOpen(&line.h, c.path.c_str()), 0) << c.what;
        const int64_t dataEnd = line.slot().dataEnd;
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(line.slot().seekTable[i], i * dataEnd / 100) << c.what << " " << i;
    }
}

} // namespace
} // namespace klv::test

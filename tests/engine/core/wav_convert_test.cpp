// WAV chunk conversion: frames per chunk at each rate, exact copies at 44100, sample formats,
// and the state carried from one chunk to the next.

#include "engine/core/file_ring.h"
#include "engine/core/wav_convert.h"
#include "tests/engine/core/transport_test_util.h"

#include <cmath>

namespace klv::test {
namespace {

using engine::convertWavChunk;
using engine::WavScratch;

// A line whose FileRing holds a WAV file's sample data; converts chunk by chunk.
struct WavLine : HandSlot {
    explicit WavLine(const char* fixtureName) {
        bytes = readFile(fixture(fixtureName));
        slot->channels = static_cast<int16_t>(bytes[22] | (bytes[23] << 8));
        slot->sampleRate = static_cast<int32_t>(static_cast<uint8_t>(bytes[24]) |
                                                (static_cast<uint8_t>(bytes[25]) << 8) |
                                                (static_cast<uint8_t>(bytes[26]) << 16));
        slot->bitsPerSample = bytes[34];
        h.isWave = 1;
        data = bytes.substr(44);
    }
    // Puts count more bytes of the sample data into the FileRing.
    void supply(size_t count) {
        count = std::min(count, data.size() - supplied);
        putFileBytes(data.substr(supplied, count));
        supplied += count;
    }
    // One conversion call; the frames it produced.
    std::vector<Frame> convert() {
        convertWavChunk(&h, *slot, *scratch);
        return takeFrames();
    }

    std::string bytes;
    std::string data;
    size_t supplied = 0;
    std::unique_ptr<WavScratch> scratch = std::make_unique<WavScratch>();
};

TEST(WavConvertTest, ChunksMakeTheirShareOfFramesAt44100) {
    struct Case {
        const char* fixture;
        int32_t inputFrames;
        std::vector<int32_t> outputs; // frames of the first chunks
    };
    const Case cases[] = {
        {"wav_44100_16_stereo.wav", 4096, {4096, 4096, 4096, 4096}},
        {"wav_22050_16_stereo.wav", 2048, {4096, 4095, 4095, 4095}},
        {"wav_48000_16_stereo.wav", 4458, {4096, 4096, 4096, 4096}},
        {"wav_11025_8_stereo.wav", 1024, {4096, 4093, 4093, 4093}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        WavLine line(c.fixture);
        ASSERT_EQ(engine::wavChunkFrames(line.slot->sampleRate), c.inputFrames);
        const int32_t bytesPerFrame = line.slot->channels * line.slot->bitsPerSample / 8;
        for (int32_t expected : c.outputs) {
            line.supply(static_cast<size_t>(c.inputFrames) * static_cast<size_t>(bytesPerFrame));
            EXPECT_EQ(line.convert().size(), static_cast<size_t>(expected));
            EXPECT_EQ(engine::fileRingBuffered(*line.slot), 0);
        }
    }
}

// Whatever the rate, the output lasts as long as the input: a chunk stands for 4096 frames at
// 44100, less the few that the carried fraction skips at each chunk's end.
TEST(WavConvertTest, EveryRateKeepsItsDuration) {
    for (const char* name : {"wav_8000_8_mono.wav", "wav_32000_16_mono.wav",
                             "wav_11025_8_stereo.wav", "wav_22050_16_stereo.wav"}) {
        SCOPED_TRACE(name);
        WavLine line(name);
        line.supply(line.data.size());
        const int32_t n = engine::wavChunkFrames(line.slot->sampleRate);
        size_t total = 0;
        int chunks = 0;
        for (std::vector<Frame> frames = line.convert(); !frames.empty(); frames = line.convert()) {
            total += frames.size();
            ++chunks;
        }
        ASSERT_GT(chunks, 3);
        const double expected = chunks * static_cast<double>(n) * 44100.0 / line.slot->sampleRate;
        EXPECT_LE(static_cast<double>(total), expected + 1.0);
        EXPECT_GE(static_cast<double>(total), expected - 5.0 * chunks);
    }
}

TEST(WavConvertTest, AChunkWaitsUntilAllItsBytesAreThere) {
    WavLine line("wav_44100_16_stereo.wav");
    line.supply(4096 * 4 - 1);
    EXPECT_TRUE(line.convert().empty());
    EXPECT_EQ(engine::fileRingBuffered(*line.slot), 4096 * 4 - 1);
    line.supply(1);
    EXPECT_EQ(line.convert().size(), 4096u);
}

TEST(WavConvertTest, At44100TheSamplesAreCopiedExactly) {
    for (const char* name : {"wav_44100_16_stereo.wav", "wav_44100_16_mono.wav"}) {
        SCOPED_TRACE(name);
        WavLine line(name);
        line.supply(line.data.size());
        std::vector<Frame> frames;
        for (int i = 0; i < 30; ++i) {
            auto more = line.convert();
            frames.insert(frames.end(), more.begin(), more.end());
        }
        const bool stereo = line.slot->channels == 2;
        const size_t inputFrames = line.data.size() / (stereo ? 4 : 2);
        ASSERT_EQ(frames.size(), inputFrames / 4096 * 4096); // the remainder stays unplayed
        auto sample = [&](size_t i) {
            return static_cast<int16_t>(static_cast<uint8_t>(line.data[2 * i]) |
                                        (static_cast<uint8_t>(line.data[2 * i + 1]) << 8)) /
                   32768.0f;
        };
        size_t wrong = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            const float left = sample(stereo ? 2 * i : i);
            const float right = sample(stereo ? 2 * i + 1 : i);
            wrong += frames[i].left != left || frames[i].right != right;
        }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(WavConvertTest, EightBitSamplesAreCenteredOn128) {
    WavLine line("wav_8000_8_mono.wav");
    const std::string custom = std::string("\x00\x80\xff", 3) + std::string(740, '\x80');
    line.data = custom;
    line.slot->sampleRate = 8000;
    line.supply(custom.size());
    const auto frames = line.convert();
    ASSERT_EQ(frames.size(), 4096u);
    // The smoother starts from 0 and moves by the step's share of the distance per frame; the
    // output blends the last two smoothed values by the fraction of the read position.
    const double c = 743.0 / 4096.0;
    const double y0 = -c;
    const double y1 = y0 + (-1.0 - y0) * c;
    EXPECT_NEAR(frames[0].left, 0.0, 1e-6); // fraction 0: all of the previous value, still 0
    EXPECT_NEAR(frames[1].left, y1 * c + y0 * (1.0 - c), 1e-5);
    EXPECT_EQ(frames[1].left, frames[1].right);
}

// The phase and the smoother carry over from chunk to chunk: converting a long file in chunks
// gives the tone at its level, and a chunk boundary moves the output by no more than a few
// frames' worth of the tone (a smoother that started again from 0 would drop towards silence).
TEST(WavConvertTest, ConvertedTonesStaySmoothAcrossChunks) {
    for (const char* name :
         {"wav_22050_16_stereo.wav", "wav_48000_16_stereo.wav", "wav_32000_16_mono.wav"}) {
        SCOPED_TRACE(name);
        WavLine line(name);
        line.supply(line.data.size());
        std::vector<Frame> frames;
        for (int i = 0; i < 40; ++i) {
            auto more = line.convert();
            frames.insert(frames.end(), more.begin(), more.end());
        }
        ASSERT_GT(frames.size(), 30000u);
        float peak = 0.0f;
        float biggestStep = 0.0f;
        for (size_t i = 1000; i < frames.size(); ++i) {
            peak = std::max(peak, std::fabs(frames[i].left));
            biggestStep = std::max(biggestStep, std::fabs(frames[i].left - frames[i - 1].left));
        }
        // 1 kHz at 0.5: one frame at 44100 moves the tone by at most 0.5 * 2 pi * 1000 / 44100
        // = 0.071; the interpolation's fraction wrapping and the skip at a chunk's end make
        // that up to about twice as much.
        EXPECT_NEAR(peak, 0.5f, 0.03f);
        EXPECT_LT(biggestStep, 0.16f);
        EXPECT_GE(line.slot->pcmPhase, 0.0f);
        EXPECT_LT(line.slot->pcmPhase, 1.0f);
    }
}

} // namespace
} // namespace klv::test

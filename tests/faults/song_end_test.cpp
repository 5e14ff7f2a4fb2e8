// The end of a song when its decoder falls behind (a starved machine, a high pitch): the
// output can empty the SampleRing after the reader has reached the end of the file but before
// the decoder has turned the reader's last bytes into frames. The song is not over then; it is
// over once nothing that is left can become sound.

#include "engine/core/line_threads.h"
#include "engine/core/mp3_decode_step.h"
#include "engine/core/wav_convert.h"
#include "tests/engine/core/transport_test_util.h"

#include <memory>

namespace klv::test {
namespace {

constexpr int32_t kChunkBytes = engine::kWavChunkOutputFrames * 4; // 44100 Hz 16-bit stereo
// Every 64th pass of the decoder rests without decoding.
constexpr int32_t kRestingPass = 63;

struct StarvedLine : HandSlot {
    std::unique_ptr<engine::WavScratch> wav = std::make_unique<engine::WavScratch>();
    std::unique_ptr<engine::Mp3Scratch> mp3 = std::make_unique<engine::Mp3Scratch>();
    engine::DecoderRun run{0.0f, false, 0};

    StarvedLine() {
        h.isWave = 1;
        slot->sampleRate = 44100;
        slot->channels = 2;
        slot->bitsPerSample = 16;
    }
    int32_t pass() { return engine::decoderPass(&h, *slot, run, *wav, *mp3); }
};

TEST(StarvedDecoderTest, ASongFinishesOnlyOnceWhatIsLeftCannotBecomeSound) {
    struct Case {
        const char* what;
        int32_t bytes; // in the FileRing when the reader has reached the end
        int32_t frames;
    };
    const Case cases[] = {
        {"whole chunks", 3 * kChunkBytes, 3 * 4096},
        {"a remainder smaller than a chunk stays unplayed", 3 * kChunkBytes + 1000, 3 * 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StarvedLine line;
        line.putFileBytes(std::string(static_cast<size_t>(c.bytes), '\x10'));
        line.slot->endOfFile = 1;
        // The SampleRing is empty (the output took everything) in a pass that rests.
        line.run.burst = kRestingPass;
        line.pass();
        EXPECT_EQ(line.h.finished, 0) << "the FileRing still holds whole chunks";

        int32_t frames = 0;
        for (int i = 0; i < 100 && line.h.finished == 0; ++i) {
            line.pass();
            frames += static_cast<int32_t>(line.takeFrames().size());
        }
        EXPECT_EQ(line.h.finished, 1);
        EXPECT_EQ(frames, c.frames);
    }
}

} // namespace
} // namespace klv::test

// Every format decoded through FFmpeg, played on a line onto the test wave device: the tone
// comes out at its frequency, level and length, and the lossless containers give the line its
// length to the frame.

#include "tests/engine/codec/coded_test_util.h"

namespace klv::test {
namespace {

class CodedPlaybackTest : public CodedLineTest {};

TEST_F(CodedPlaybackTest, EveryFormatPlaysItsToneAtItsFrequencyLevelAndLength) {
    struct Case {
        const char* fixture;
        int32_t sampleRate;
        int32_t channels;
        bool exactLength; // the container knows the length to the sample
        double framesTolerance;
        double levelTolerance; // of the level, relative
    };
    // Lossy coders add their delay and padding at the ends and change the level a little.
    const Case cases[] = {
        {"coded_flac_44100_16.flac", 44100, 2, true, 2, 0.002},
        {"coded_flac_96000_24.flac", 96000, 2, true, 4, 0.002},
        {"coded_flac_192000_24.flac", 192000, 2, true, 4, 0.002},
        {"coded_flac_48000_mono.flac", 48000, 1, true, 4, 0.002},
        {"coded_alac_44100.m4a", 44100, 2, true, 2, 0.002},
        {"coded_alac_96000_24.m4a", 96000, 2, true, 4, 0.002},
        {"coded_aac_44100.m4a", 44100, 2, false, 1100, 0.02},
        {"coded_aac_48000.mp4", 48000, 2, false, 1100, 0.02},
        {"coded_aac_44100.aac", 44100, 2, false, 3000, 0.02},
        {"coded_vorbis_44100.ogg", 44100, 2, false, 1100, 0.02},
        {"coded_opus_48000.opus", 48000, 2, false, 1100, 0.02},
        {"coded_aiff_44100_16.aif", 44100, 2, true, 2, 0.002},
        {"coded_aiff_48000_24.aiff", 48000, 2, true, 4, 0.002},
        {"coded_aifc_44100_f32.aifc", 44100, 2, true, 2, 0.002},
        {"coded_wav_44100_24.wav", 44100, 2, true, 2, 0.002},
        {"coded_wav_44100_32.wav", 44100, 2, true, 2, 0.002},
        {"coded_wav_44100_f32.wav", 44100, 2, true, 2, 0.002},
        {"coded_wav_44100_f64.wav", 44100, 2, true, 2, 0.002},
        {"coded_wav_96000_16.wav", 96000, 2, true, 4, 0.002},
        {"coded_wav_22050_mono_24.wav", 22050, 1, true, 4, 0.002},
        {"coded_wav_44100_6ch.wav", 44100, 6, true, 2, 0.002},
    };
    // Two seconds of a 1 kHz sine at half scale.
    const double level = 0.5 * 32768 / std::sqrt(2.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        wavetest::configure(2);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, fixture(c.fixture).c_str()), 0);
        EXPECT_EQ(line.h.isWave, KLV_SOURCE_CODED);
        EXPECT_NE(line.h.decoder, nullptr);
        EXPECT_EQ(line.slot().sampleRate, c.sampleRate);
        EXPECT_EQ(line.slot().channels, c.channels);
        if (c.exactLength) {
            EXPECT_EQ(line.slot().length, 88200);
        }
        ASSERT_EQ(klvStartAudio(), 0);
        klvPause(&line.h);
        const Sound sound = measure(leftOf(playToEnd(line)), 4000);
        // 88200 frames: the sine's first sample is 0, and the fade-in of klvPause keeps the
        // next three below the floor.
        EXPECT_NEAR(static_cast<double>(sound.frames), 88196, c.framesTolerance);
        EXPECT_NEAR(sound.rms, level, level * c.levelTolerance);
        const double seconds = (static_cast<double>(sound.frames) - 8000) / 44100;
        EXPECT_NEAR(static_cast<double>(sound.crossings), 2000 * seconds, 2000 * seconds * 0.002);
        // Played through: the position is the end, and the length what was played.
        klvUpdatePos(&line.h);
        if (c.exactLength) {
            EXPECT_EQ(line.slot().length, 88200);
        }
        EXPECT_EQ(line.h.remaining, 0);
        EXPECT_TRUE(userMessages().empty());
        klvKillAudio();
    }
}

} // namespace
} // namespace klv::test

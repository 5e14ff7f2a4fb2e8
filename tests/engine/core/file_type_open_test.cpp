// What a line learns about a file when it opens it, and how it refuses files it cannot play.

#include "tests/engine/core/transport_test_util.h"

#include <sys/stat.h>

namespace klv::test {
namespace {

class FileTypeOpenTest : public LineTest {};

struct WavCase {
    const char* fixture;
    int32_t channels;
    int32_t sampleRate;
    int32_t bits;
};

TEST_F(FileTypeOpenTest, PlayableWavFilesFillInTheirFormat) {
    const WavCase cases[] = {
        {"wav_44100_16_stereo.wav", 2, 44100, 16}, {"wav_44100_16_mono.wav", 1, 44100, 16},
        {"wav_22050_16_stereo.wav", 2, 22050, 16}, {"wav_48000_16_stereo.wav", 2, 48000, 16},
        {"wav_32000_16_mono.wav", 1, 32000, 16},   {"wav_11025_8_stereo.wav", 2, 11025, 8},
        {"wav_8000_8_mono.wav", 1, 8000, 8},
    };
    for (const WavCase& c : cases) {
        SCOPED_TRACE(c.fixture);
        Line line;
        const auto path = fixture(c.fixture);
        ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
        LineSlot& slot = line.slot();
        const int32_t byteRate = c.sampleRate * c.channels * c.bits / 8;
        const auto size = static_cast<int32_t>(std::filesystem::file_size(path));
        EXPECT_EQ(line.h.isWave, 1);
        EXPECT_EQ(line.h.decoder, nullptr);
        EXPECT_EQ(slot.channels, c.channels);
        EXPECT_EQ(slot.sampleRate, c.sampleRate);
        EXPECT_EQ(slot.bitsPerSample, c.bits);
        EXPECT_EQ(slot.byteRate, byteRate);
        EXPECT_EQ(slot.byteRateCount, 1);
        EXPECT_EQ(slot.dataEnd, size);
        EXPECT_EQ(slot.length, static_cast<int32_t>(int64_t{size} * 44100 / byteRate));
        EXPECT_EQ(slot.seekTable[0], 44);
        EXPECT_EQ(slot.seekTable[50], static_cast<int32_t>(int64_t{size} * 50 / 100));
        EXPECT_EQ(load(line.h.state), 1);
    }
    EXPECT_TRUE(userMessages().empty());
}

struct RefusedCase {
    const char* fixture;
    const char* message;
};

// The formats the PCM path refuses play through FFmpeg; only a file FFmpeg cannot read either
// (here: the header without its data chunk) is refused, with the PCM path's reason.
TEST_F(FileTypeOpenTest, WavFormatsThePcmPathRefusesGoThroughFfmpegOrAreRefusedWithTheirMessage) {
    struct Case {
        const char* fixture;
        int32_t channels;
        int32_t sampleRate;
        const char* message;
    };
    const Case cases[] = {
        {"wav_3_channels.wav", 3, 44100,
         "Can't open file - Invalid or Unsupported Number of Channels"},
        {"wav_96000_16_stereo.wav", 2, 96000,
         "Can't open file - Invalid or Unsupported Sample Rate"},
        {"wav_24_bit.wav", 2, 44100, "Can't open file - Invalid or Unsupported Bit Resolution"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, fixture(c.fixture).c_str()), 0);
        EXPECT_EQ(line.h.isWave, KLV_SOURCE_CODED);
        EXPECT_EQ(line.slot().channels, c.channels);
        EXPECT_EQ(line.slot().sampleRate, c.sampleRate);
    }
    EXPECT_TRUE(userMessages().empty());
    for (int quiet = 0; quiet <= 1; ++quiet) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.fixture << " quiet " << quiet);
            m_windows->clear();
            const std::string path = place(std::string("header_") + c.fixture,
                                           readFile(fixture(c.fixture)).substr(0, 36));
            Line line;
            line.h.quiet = quiet;
            EXPECT_EQ(klvOpen(&line.h, path.c_str()), -1);
            EXPECT_EQ(line.h.slot, nullptr);
            EXPECT_EQ(line.h.decoder, nullptr);
            EXPECT_EQ(line.h.file, 0);
            EXPECT_EQ(line.h.state, 1); // written by the set-up, kept by the failure
            if (quiet)
                EXPECT_TRUE(userMessages().empty());
            else
                EXPECT_EQ(userMessages(), std::vector<std::string>{c.message});
            EXPECT_EQ(klvClose(&line.h), 0);
        }
    }
}

TEST_F(FileTypeOpenTest, DataChunkRulesDecideWhereTheAudioEnds) {
    struct Case {
        const char* fixture;
        int32_t dataEndFromFileSize; // dataEnd - file size
        bool logged;
    };
    const Case cases[] = {
        // 18-byte fmt chunk: the data chunk header sits at 38..45, two bytes later.
        {"wav_fmt18.wav", -2, false},         {"wav_trailing_chunk.wav", -(8 + 20000), false},
        {"wav_fact_chunk.wav", 0, true},      {"wav_data_size_zero.wav", 0, false},
        {"wav_data_size_huge.wav", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Line line;
        const auto path = fixture(c.fixture);
        ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
        const auto size = static_cast<int32_t>(std::filesystem::file_size(path));
        EXPECT_EQ(line.slot().dataEnd, size + c.dataEndFromFileSize);
        EXPECT_EQ(line.slot().length,
                  static_cast<int32_t>(int64_t{line.slot().dataEnd} * 44100 / 176400));
        const std::string logLine = "Can't get stupid data chunk for " + path.string();
        EXPECT_EQ(logText().find(logLine) != std::string::npos, c.logged);
    }
}

TEST_F(FileTypeOpenTest, Mp3FilesGetADecoderAndTheFirstFramesFormat) {
    struct Case {
        const char* fixture;
        int32_t channels;
        int32_t sampleRate;
        int32_t byteRate;
    };
    const Case cases[] = {
        {"mp3_cbr128.mp3", 2, 44100, 16000}, {"mp3_cbr320.mp3", 2, 44100, 40000},
        {"mp3_mono.mp3", 1, 44100, 8000},    {"mp3_48000.mp3", 2, 48000, 16000},
        {"mp3_32000.mp3", 2, 32000, 16000},  {"mp3_zeros_20000.mp3", 2, 44100, 16000},
        {"mp3_id3v1.mp3", 2, 44100, 16000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, fixture(c.fixture).c_str()), 0);
        EXPECT_EQ(line.h.isWave, 0);
        EXPECT_NE(line.h.decoder, nullptr);
        EXPECT_EQ(line.slot().channels, c.channels);
        EXPECT_EQ(line.slot().sampleRate, c.sampleRate);
        EXPECT_EQ(line.slot().bitsPerSample, 16);
        EXPECT_EQ(line.slot().length, 0); // known from the first position update on
        klvClose(&line.h);
        EXPECT_EQ(line.h.decoder, nullptr);
        EXPECT_EQ(line.h.slot, nullptr);
    }
}

TEST_F(FileTypeOpenTest, AFileWithoutAnMp3StreamIsRefusedAndLogged) {
    const std::string bytes[] = {
        readFile(fixture("mp3_zeros_120000.mp3")),
        std::string("RIFF\x10\0\0\0WAV", 11), // a header cut short: not PCM, no stream
        std::string(5000, '\x55'),
    };
    for (int quiet = 0; quiet <= 1; ++quiet) {
        for (size_t i = 0; i < std::size(bytes); ++i) {
            SCOPED_TRACE(testing::Message() << "case " << i << " quiet " << quiet);
            m_windows->clear();
            const std::string path = place("file" + std::to_string(i) + ".mp3", bytes[i]);
            Line line;
            line.h.quiet = quiet;
            EXPECT_EQ(klvOpen(&line.h, path.c_str()), -1);
            EXPECT_EQ(line.h.slot, nullptr);
            EXPECT_EQ(line.h.decoder, nullptr);
            EXPECT_EQ(line.h.file, 0);
            EXPECT_NE(logText().find("Can't determine file type: " + path), std::string::npos);
            EXPECT_EQ(userMessages(),
                      quiet ? std::vector<std::string>{}
                            : std::vector<std::string>{
                                  "Can't open file - Invalid or Unsupported File Type"});
            EXPECT_EQ(klvClose(&line.h), 0);
        }
    }
}

// Headers cut short read their missing bytes as zeros: a refusal or a file without sound,
// never a crash.
TEST_F(FileTypeOpenTest, TruncatedWavHeadersAreRefusedOrPlayNothing) {
    const std::string wav = readFile(fixture("wav_44100_16_stereo.wav"));
    useOptions(1);
    Line refused;
    EXPECT_EQ(klvOpen(&refused.h, place("a.wav", wav.substr(0, 30)).c_str()), -1);
    EXPECT_EQ(userMessages(),
              std::vector<std::string>{"Can't open file - Invalid or Unsupported Bit Resolution"});

    Line empty;
    ASSERT_EQ(klvOpen(&empty.h, place("b.wav", wav.substr(0, 40)).c_str()), 0);
    EXPECT_EQ(empty.slot().dataEnd, 40);
    EXPECT_TRUE(eventually([&] { return load(empty.h.finished) == 1; }));
    EXPECT_EQ(empty.slot().sampleWrite, 0);
}

TEST_F(FileTypeOpenTest, PathsThatCannotBeOpenedShowTheBox) {
    const auto folder = m_dir.path() / "folder.wav";
    std::filesystem::create_directory(folder);
    const auto pipe = m_dir.path() / "pipe.mp3";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto device = m_dir.path() / "zero.mp3";
    std::filesystem::create_symlink("/dev/zero", device);
    const std::string missing = (m_dir.path() / "missing.mp3").string();
    for (const std::string& path : {missing, folder.string(), pipe.string(), device.string()}) {
        SCOPED_TRACE(path);
        m_windows->clear();
        Line line;
        EXPECT_EQ(klvOpen(&line.h, path.c_str()), -1);
        EXPECT_EQ(line.h.slot, nullptr);
        EXPECT_EQ(line.h.file, 0);
        EXPECT_EQ(boxes(), std::vector<std::string>{"Can't open \"" + path + "\""});
        line.h.quiet = 1;
        m_windows->clear();
        EXPECT_EQ(klvOpen(&line.h, path.c_str()), -1);
        EXPECT_TRUE(boxes().empty());
    }
    EXPECT_EQ(logText().find(missing), std::string::npos);
    EXPECT_NE(logText().find("Not a regular file, not opened: " + folder.string()),
              std::string::npos);
}

TEST_F(FileTypeOpenTest, APathLongerThanTheNameBufferIsRefused) {
    Line line;
    const auto good = fixture("wav_44100_16_mono.wav").string();
    ASSERT_EQ(klvOpen(&line.h, good.c_str()), 0);
    const char* buffer = line.h.fileName;

    const std::string tooLong = (m_dir.path() / std::string(300, 'n')).string() + ".wav";
    EXPECT_EQ(klvOpen(&line.h, tooLong.c_str()), -1);
    EXPECT_EQ(line.h.slot, nullptr); // the file that was open is closed first, as always
    EXPECT_EQ(line.h.fileName, buffer);
    EXPECT_EQ(std::string(line.h.fileName), good);
    EXPECT_EQ(boxes(), std::vector<std::string>{"Can't open \"" + tooLong + "\""});
    EXPECT_NE(logText().find("Path too long"), std::string::npos);

    // 255 characters still fit, with the terminating zero.
    const std::string longest = std::string(255 - good.size(), '/') + good;
    ASSERT_EQ(longest.size(), 255u);
    EXPECT_EQ(klvOpen(&line.h, longest.c_str()), 0);
    EXPECT_EQ(std::string(line.h.fileName), longest);
}

TEST_F(FileTypeOpenTest, ReopenWithoutAPathUsesTheNameAlreadyThere) {
    Line line;
    EXPECT_EQ(klvOpen(&line.h, nullptr), -1); // never had a file
    const auto path = fixture("wav_44100_16_mono.wav").string();
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    ASSERT_EQ(klvOpen(&line.h, nullptr), 0);
    EXPECT_EQ(std::string(line.h.fileName), path);
    ASSERT_EQ(klvOpen(&line.h, line.h.fileName), 0); // the buffer given as its own source
    EXPECT_EQ(std::string(line.h.fileName), path);
}

} // namespace
} // namespace klv::test

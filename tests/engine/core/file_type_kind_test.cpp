// klvWhatIsIt: the extension decides whether the file is looked at, the contents what it is.

#include "tests/engine/core/transport_test_util.h"

#include <sys/stat.h>

#include <fstream>

namespace klv::test {
namespace {

class WhatIsItTest : public testing::Test {
protected:
    std::string place(const std::string& name, const std::string& bytes) {
        const auto path = m_dir.path() / name;
        writeFile(path, bytes);
        return path.string();
    }
    std::string copy(const char* fixtureName, const std::string& name) {
        return place(name, readFile(fixture(fixtureName)));
    }
    TempDir m_dir;
};

TEST_F(WhatIsItTest, ClassifiesByContentsOnceTheExtensionIsKnown) {
    const std::string wav = readFile(fixture("wav_44100_16_stereo.wav"));
    const std::string mp3 = readFile(fixture("mp3_cbr128.mp3"));
    struct Case {
        std::string name;
        std::string bytes;
        int32_t kind;
    };
    const Case cases[] = {
        {"song.WAV", wav, KLV_KIND_WAV},
        {"song.pcm", wav, KLV_KIND_WAV},
        {"song.mp3", mp3, KLV_KIND_MP3},
        {"song.Mp3", mp3, KLV_KIND_MP3},
        {"mislabelled.wav", mp3, KLV_KIND_MP3},
        {"list.M3U", "/music/a.mp3\n/music/b.mp3\n", KLV_KIND_TEXT_LIST},
        {"list.klv", "a.mp3\r\nb.wav\r\n", KLV_KIND_TEXT_LIST},
        {"notes.mp3", "just some words\n", KLV_KIND_TEXT_LIST},
        {"list.pls", "[Playlist]\nFile1=a.mp3\n", KLV_KIND_PLS},
        // Under a name of coded audio, text is nothing the program can use.
        {"notes.flac", "just some words\n", KLV_KIND_UNKNOWN},
        {"list.M4A", "[playlist]\nFile1=a.mp3\n", KLV_KIND_UNKNOWN},
        {"list.m3u", "[PLAYLIST]\r\nNumberOfEntries=0\r\n", KLV_KIND_PLS},
        {"empty.mp3", "", KLV_KIND_UNKNOWN},
        {"binary.mp3", std::string(3000, '\0') + "no frames here", KLV_KIND_UNKNOWN},
        {"escape.wav", std::string("text with an \x1b escape"), KLV_KIND_UNKNOWN},
        // A RIFF WAVE file with another format tag is for FFmpeg.
        {"float.wav", wav.substr(0, 20) + std::string("\x03\x00", 2) + wav.substr(22),
         KLV_KIND_CODED},
        // Known contents behind an unknown extension are never looked at.
        {"song.txt", mp3, KLV_KIND_UNKNOWN},
        {"song.wma", wav, KLV_KIND_UNKNOWN},
        {"mp3", mp3, KLV_KIND_UNKNOWN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(klvWhatIsIt(place(c.name, c.bytes).c_str()), c.kind) << c.name;
}

// The formats decoded through FFmpeg, under every extension they come with and in any case;
// the contents decide, so a PCM WAV the PCM path plays stays a WAV and an MP3 stays an MP3.
TEST_F(WhatIsItTest, CodedFormatsAreKnownByExtensionAndThenContents) {
    struct Case {
        std::string name;
        const char* fixture;
        int32_t kind;
    };
    const Case cases[] = {
        {"a.flac", "coded_flac_44100_16.flac", KLV_KIND_CODED},
        {"a.FLAC", "coded_flac_96000_24.flac", KLV_KIND_CODED},
        {"a.m4a", "coded_aac_44100.m4a", KLV_KIND_CODED},
        {"a.alac", "coded_alac_44100.m4a", KLV_KIND_CODED},
        {"a.Mp4", "coded_aac_48000.mp4", KLV_KIND_CODED},
        {"a.aac", "coded_aac_44100.aac", KLV_KIND_CODED},
        {"a.ogg", "coded_vorbis_44100.ogg", KLV_KIND_CODED},
        {"a.oga", "coded_vorbis_44100.ogg", KLV_KIND_CODED},
        {"a.opus", "coded_opus_48000.opus", KLV_KIND_CODED},
        {"a.aif", "coded_aiff_44100_16.aif", KLV_KIND_CODED},
        {"a.AIFF", "coded_aiff_48000_24.aiff", KLV_KIND_CODED},
        {"a.aifc", "coded_aifc_44100_f32.aifc", KLV_KIND_CODED},
        {"a.wav", "coded_wav_44100_f32.wav", KLV_KIND_CODED},
        {"a.wave", "coded_wav_44100_24.wav", KLV_KIND_CODED},
        {"a.wav", "wav_24_bit.wav", KLV_KIND_CODED},
        {"a.wav", "wav_3_channels.wav", KLV_KIND_CODED},
        {"a.wave", "wav_44100_16_stereo.wav", KLV_KIND_WAV},
        {"a.flac", "wav_44100_16_mono.wav", KLV_KIND_WAV},
        {"a.m4a", "mp3_cbr128.mp3", KLV_KIND_MP3},
        {"a.flac.txt", "coded_flac_44100_16.flac", KLV_KIND_UNKNOWN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(klvWhatIsIt(copy(c.fixture, c.name).c_str()), c.kind)
            << c.name << " " << c.fixture;
    // An ID3v2 tag in front of the container does not hide it.
    const std::string tag =
        std::string("ID3\x04\x00\x00\x00\x00\x10\x00", 10) + std::string(2048, '\0');
    EXPECT_EQ(
        klvWhatIsIt(place("t.flac", tag + readFile(fixture("coded_flac_44100_16.flac"))).c_str()),
        KLV_KIND_CODED);
}

TEST_F(WhatIsItTest, FindsAStreamBehindLeadingZerosOnlyWithinTheSearchLimit) {
    EXPECT_EQ(klvWhatIsIt(copy("mp3_zeros_20000.mp3", "a.mp3").c_str()), KLV_KIND_MP3);
    EXPECT_EQ(klvWhatIsIt(copy("mp3_zeros_120000.mp3", "b.mp3").c_str()), KLV_KIND_UNKNOWN);
}

// Paths that are not regular files answer 0 without blocking or reading endlessly.
TEST_F(WhatIsItTest, RefusesWhatIsNotARegularFile) {
    const auto folder = m_dir.path() / "folder.mp3";
    std::filesystem::create_directory(folder);
    const auto pipe = m_dir.path() / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto device = m_dir.path() / "zero.mp3";
    std::filesystem::create_symlink("/dev/zero", device);
    const std::string longName = (m_dir.path() / (std::string(300, 'x') + ".mp3")).string();
    for (const std::string& path :
         {folder.string(), pipe.string(), device.string(), (m_dir.path() / "missing.mp3").string(),
          longName, std::string(".mp3")})
        EXPECT_EQ(klvWhatIsIt(path.c_str()), KLV_KIND_UNKNOWN) << path;
    EXPECT_EQ(klvWhatIsIt(nullptr), KLV_KIND_UNKNOWN);
}

} // namespace
} // namespace klv::test

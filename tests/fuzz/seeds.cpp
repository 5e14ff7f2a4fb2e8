// Writes the seed corpus of every fuzz target: the start of each synthesised audio fixture and
// small files made here. Usage: fuzz_seeds <fixture folder> <corpus folder>

#include "klv3.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

fs::path g_out;

// A seed from a fixture that is missing comes out empty and is left out.
void write(std::string_view target, std::string_view name, const Bytes& bytes) {
    if (bytes.empty() || (bytes.size() == 1 && name.size() > 3))
        return;
    const fs::path folder = g_out / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

Bytes withPrefix(uint8_t prefix, const Bytes& bytes) {
    Bytes out{prefix};
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

// The first limit bytes of a file, empty when it cannot be read.
Bytes head(const fs::path& path, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

void putLe(Bytes& b, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A PCM WAV file with a ramp of frames samples; fmtSize 18 adds two bytes after the format.
Bytes wav(uint32_t rate, int channels, int bits, int frames, uint32_t fmtSize = 16) {
    const uint32_t dataBytes = static_cast<uint32_t>(frames * channels * bits / 8);
    const size_t extra = fmtSize - 16;
    Bytes b(44 + extra + dataBytes);
    std::memcpy(b.data(), "RIFF", 4);
    putLe(b, 4, static_cast<uint32_t>(b.size() - 8), 4);
    std::memcpy(b.data() + 8, "WAVEfmt ", 8);
    putLe(b, 16, fmtSize, 4);
    putLe(b, 20, 1, 2);
    putLe(b, 22, static_cast<uint32_t>(channels), 2);
    putLe(b, 24, rate, 4);
    putLe(b, 28, rate * static_cast<uint32_t>(channels * bits / 8), 4);
    putLe(b, 32, static_cast<uint32_t>(channels * bits / 8), 2);
    putLe(b, 34, static_cast<uint32_t>(bits), 2);
    std::memcpy(b.data() + 36 + extra, "data", 4);
    putLe(b, 40 + extra, dataBytes, 4);
    for (size_t i = 44 + extra; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(i * 7);
    return b;
}

// An ID3v1 block behind some audio bytes; track > 0 makes it ID3v1.1.
Bytes tagged(std::string_view title, std::string_view year, int track, int genre) {
    Bytes b(300, 0xAA);
    Bytes tag(128, 0);
    std::memcpy(tag.data(), "TAG", 3);
    std::memcpy(tag.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(tag.data() + 33, "Artist", 6);
    std::memcpy(tag.data() + 63, "Album", 5);
    std::memcpy(tag.data() + 93, year.data(), std::min<size_t>(year.size(), 4));
    std::memcpy(tag.data() + 97, "A comment", 9);
    if (track > 0)
        tag[126] = static_cast<uint8_t>(track);
    tag[127] = static_cast<uint8_t>(genre);
    b.insert(b.end(), tag.begin(), tag.end());
    return b;
}

Bytes optionsRecord(size_t size) {
    OptionsRecord r{};
    r.FadeSpeed = 5;
    r.SkipSilence = 1;
    r.SilenceThreshold = 20;
    r.NumLines = 6;
    r.PitchRange = 10;
    r.TimeScale = 1;
    r.LCDLitColor = 0x00FFFF;
    std::memset(r.QueueName1, ' ', sizeof r.QueueName1);
    std::memcpy(r.QueueName1, "Queue 1", 7);
    std::memset(r.NavDir, ' ', sizeof r.NavDir);
    std::memcpy(r.NavDir, "/home/dj/music", 14);
    Bytes b(size, 0x5A);
    std::memcpy(b.data(), &r, std::min(size, sizeof r));
    return b;
}

void lineFileSeeds(const fs::path& fixtures) {
    write("line_file", "tiny_11025_8_mono.wav", wav(11025, 1, 8, 2048));
    write("line_file", "tiny_22050_16_stereo.wav", wav(22050, 2, 16, 2100));
    write("line_file", "tiny_48000_16_mono_fmt18.wav", wav(48000, 1, 16, 4600, 18));
    write("line_file", "tiny_44100_16_stereo.wav", wav(44100, 2, 16, 4200));
    for (const char* name : {"wav_8000_8_mono.wav", "wav_11025_8_stereo.wav", "wav_fact_chunk.wav",
                             "wav_data_size_huge.wav", "wav_24_bit.wav"})
        write("line_file", name, head(fixtures / name, 12000));
    for (const char* name :
         {"mp3_cbr128.mp3", "mp3_vbr_xing.mp3", "mp3_mono.mp3", "mp3_32000.mp3", "mp3_48000.mp3"})
        write("line_file", name, head(fixtures / name, 6000));
}

void mp3Seeds(const fs::path& fixtures) {
    for (const char* name :
         {"mp3_cbr128.mp3", "mp3_cbr128_info.mp3", "mp3_vbr_xing.mp3", "mp3_mono.mp3",
          "mp3_32000.mp3", "mp3_48000.mp3", "mp3_cbr320.mp3", "mp3_garbage_between.mp3"})
        write("mp3_decode", name, head(fixtures / name, 5000));
}

// Seeds for the coded line: the start of each coded fixture behind the byte that picks its
// extension (the fuzz target's order of names).
void codedLineSeeds(const fs::path& fixtures) {
    const struct {
        int name;
        const char* fixture;
    } seeds[] = {
        {0, "coded_flac_44100_16.flac"},  {1, "coded_alac_44100.m4a"},
        {1, "coded_aac_44100.m4a"},       {2, "coded_aac_48000.mp4"},
        {3, "coded_aac_44100.aac"},       {4, "coded_vorbis_44100.ogg"},
        {5, "coded_opus_48000.opus"},     {6, "coded_aiff_44100_16.aif"},
        {7, "coded_aifc_44100_f32.aifc"}, {8, "coded_wav_44100_f32.wav"},
        {9, "coded_wav_44100_6ch.wav"},
    };
    for (const auto& seed : seeds)
        write("coded_line", seed.fixture,
              withPrefix(seed.name, head(fixtures / seed.fixture, 12000)));
}

void whatIsItSeeds(const fs::path& fixtures) {
    write("what_is_it", "mp3", withPrefix(0, head(fixtures / "mp3_cbr128.mp3", 4096)));
    write("what_is_it", "wav", withPrefix(1, wav(44100, 2, 16, 16)));
    write("what_is_it", "pls", withPrefix(2, text("[playlist]\r\nFile1=a.mp3\r\n")));
    write("what_is_it", "m3u", withPrefix(3, text("#EXTM3U\r\na.mp3\r\n")));
    write("what_is_it", "klv", withPrefix(4, text("a.mp3\nb.wav\n")));
}

void playlistSeeds() {
    write("playlist", "pls",
          withPrefix(0, text("[playlist]\r\nNumberOfEntries=3\r\n"
                             "File1=../music/a.mp3\r\nFile2=\"/abs/b.wav\"\r\n"
                             "File3=c d.mp3\r\nTitle1=A\r\n")));
    write("playlist", "m3u",
          withPrefix(1, text("#EXTM3U\r\n#EXTINF:123,A\r\n../a.mp3\r\n"
                             "/abs/b.wav\nsub/c.mp3")));
    write("playlist", "klv", withPrefix(2, text("a.mp3\r\rb.mp3\n\n/c.wav\r\n")));
    write("playlist", "pls_bom",
          withPrefix(3, text("\xEF\xBB\xBF[Playlist]\nnumberofentries=2\n"
                             "file2=x.mp3\nfile1 = y.mp3 \n")));
    // A name that fits a line but not a path once the list's folder is put in front.
    write("playlist", "long_relative", withPrefix(1, text(std::string(250, 'r') + "\r\n")));
}

void songEqSeeds() {
    const std::string song = "/music/a.mp3";
    Bytes b{static_cast<uint8_t>(song.size())};
    const std::string file =
        "[/other.mp3]\r\nEQ 1=3\r\n[" + song +
        "]\r\nEQ 1=4\r\nEQ 2=-6\r\nEQ 3= 7 \r\nEQ 5=\"-20\"\r\n[x]\r\nEQ 1=1\r\n";
    b.insert(b.end(), song.begin(), song.end());
    b.insert(b.end(), file.begin(), file.end());
    write("song_eq_file", "sections", b);
    write("song_eq_file", "bom",
          withPrefix(0, text("\xEF\xBB\xBF[/music/a.mp3]\nEQ 4=2147483647\n")));
    // A name of blanks only: its levels go before the first section and are read from there.
    write("song_eq_file", "blank_name", withPrefix(2, text(" \tEQ 1=4\r\n[a]\r\nEQ 1=1\r\n")));
}

void id3Seeds(const fs::path& fixtures) {
    write("id3", "v1", tagged("Title", "1999", 0, 17));
    write("id3", "v1_1", tagged("A title of exactly thirty char", "0023", 7, 255));
    write("id3", "no_tag", Bytes(200, 0x11));
    Bytes fixture = head(fixtures / "mp3_id3v1.mp3", 1 << 20);
    if (fixture.size() > 1024)
        fixture.erase(fixture.begin(), fixture.end() - 1024);
    write("id3", "fixture_tail", fixture);
}

void optionsSeeds() {
    write("options", "record", withPrefix(0, optionsRecord(KLV_OPTIONS_SIZE)));
    write("options", "older_record", withPrefix(0, optionsRecord(220)));
    write("options", "longer", withPrefix(0, optionsRecord(KLV_OPTIONS_SIZE + 8)));
    write("options", "text", withPrefix(1, text("not a record")));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds <fixture folder> <corpus folder>\n");
        return 2;
    }
    const fs::path fixtures = argv[1];
    g_out = argv[2];
    lineFileSeeds(fixtures);
    codedLineSeeds(fixtures);
    mp3Seeds(fixtures);
    whatIsItSeeds(fixtures);
    playlistSeeds();
    songEqSeeds();
    id3Seeds(fixtures);
    optionsSeeds();
    return 0;
}

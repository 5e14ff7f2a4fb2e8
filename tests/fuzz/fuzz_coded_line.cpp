// Arbitrary bytes under each extension of the formats decoded through FFmpeg, opened on a line
// and played out: the container check, libavformat's demuxers through the reader's records and
// the decoder and resampler, as the line's threads run them. The first byte picks the name.

#include "tests/fuzz/fuzz_line.h"
#include "tests/fuzz/fuzz_support.h"

#include <iterator>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kNames[] = {"a.flac", "a.m4a", "a.mp4",  "a.aac", "a.ogg",
                                         "a.opus", "a.aif", "a.aifc", "a.wav", "a.wave"};
    if (size == 0)
        return 0;
    const std::string path =
        klv::fuzz::writeInput(kNames[data[0] % std::size(kNames)], data + 1, size - 1);
    klv::fuzz::FuzzLine line;
    if (line.open(path.c_str()))
        line.play(4096);
    return 0;
}

// A file opened on a line and played out: the WAV header checks and the chunk conversion at
// every sample rate, or the MP3 stream search, seek table and decoding, as the line's threads
// run them.

#include "tests/fuzz/fuzz_line.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = klv::fuzz::writeInput("song.wav", data, size);
    klv::fuzz::FuzzLine line;
    if (line.open(path.c_str()))
        line.play(4096);
    return 0;
}

// klvWhatIsIt on a file of arbitrary bytes under each name ending it looks at. The first byte
// of the input picks the name; the rest is the file.

#include "klv3.h"
#include "tests/fuzz/fuzz_support.h"

#include <iterator>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kNames[] = {"a.mp3", "a.wav",  "a.pls",  "a.m3u",  "a.klv",
                                         "a.PCM", "a.Mp3",  "a.txt",  "a.flac", "a.m4a",
                                         "a.ogg", "a.opus", "a.aiff", "a.aac"};
    if (size == 0)
        return 0;
    const std::string path =
        klv::fuzz::writeInput(kNames[data[0] % std::size(kNames)], data + 1, size - 1);
    const int32_t kind = klvWhatIsIt(path.c_str());
    klv::fuzz::require(kind >= KLV_KIND_UNKNOWN && kind <= KLV_KIND_CODED,
                       "the kind is one of the six");
    return 0;
}

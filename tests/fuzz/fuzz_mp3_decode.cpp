// Arbitrary bytes through the MP3 stream search and, whatever the search found, through the
// decode step: the engine's own header checks and framing around libmpg123, the byte-rate
// average and the rate conversion of 32000 and 48000 per second.

#include "engine/audio/sample_ring.h"
#include "engine/core/file_ring.h"
#include "engine/core/file_type.h"
#include "engine/core/mp3_decode_step.h"
#include "engine/core/mp3_decoder.h"
#include "engine/core/mp3_stream_search.h"
#include "engine/core/slot_pool.h"
#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using namespace klv::engine;
using klv::fuzz::require;

uint8_t g_fileRing[kFileRingBytes];
Frame g_sampleRing[kSampleRingFrames];
Frame g_resample[kResampleBufferBytes / sizeof(Frame)];
Mp3Scratch g_scratch;
Frame g_drained[4096];

// The stream's rate as the search found it, else one of the three the decoder accepts.
int32_t searchedRate(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = openAudioFile(path.c_str());
    require(fd > 0, "the input file opens");
    Mp3StreamInfo info;
    const bool found = mp3StreamSearch(fd, &info) == 0;
    if (found) {
        require(info.channels == 1 || info.channels == 2, "a found stream has 1 or 2 channels");
        require(info.sampleRate == 32000 || info.sampleRate == 44100 || info.sampleRate == 48000,
                "a found stream has an MPEG-1 sample rate");
        require(info.byteRate > 0, "a found stream has a byte rate");
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        require(at >= 0 && static_cast<size_t>(at) + 4 <= size && data[at] == 0xFF,
                "the search stops at a frame header inside the file");
    }
    ::close(fd);
    if (found)
        return info.sampleRate;
    static constexpr int32_t kRates[] = {32000, 44100, 48000};
    return kRates[size > 0 ? data[size - 1] % 3 : 1];
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = klv::fuzz::writeInput("stream.mp3", data, size);
    const int32_t rate = searchedRate(path, data, size);

    LineSlot* slot = takeSlot();
    require(slot != nullptr, "a slot is free");
    slot->fileRing = g_fileRing;
    slot->sampleRing = g_sampleRing;
    slot->resampleBuffer = reinterpret_cast<uint8_t*>(g_resample);
    slot->sampleRate.store(rate);
    LineHandle h{};
    h.quiet = 1;
    h.slot = slot;
    Mp3Decoder* decoder = Mp3Decoder::create();
    require(decoder != nullptr, "libmpg123 gives a decoder");

    // The whole input goes through the FileRing, refilled as the decoder empties it.
    size_t fed = 0;
    for (int32_t step = 0; step < 20000; ++step) {
        const int32_t room = fileRingFree(*slot);
        if (fed < size && room > 0) {
            const int32_t write = slot->fileWrite.load() % kFileRingBytes;
            const int32_t count = static_cast<int32_t>(
                std::min<size_t>({size - fed, static_cast<size_t>(room),
                                  static_cast<size_t>(kFileRingBytes - write)}));
            std::memcpy(g_fileRing + write, data + fed, static_cast<size_t>(count));
            slot->fileWrite.store((write + count) % kFileRingBytes);
            fed += static_cast<size_t>(count);
        }
        const int32_t before = fileRingBuffered(*slot);
        if (decodeMp3Step(&h, *slot, *decoder, g_scratch) != 0)
            break;
        const int32_t produced = sampleRingUsed(*slot);
        int32_t taken;
        while ((taken = sampleRingRead(*slot, g_drained, 4096)) > 0) {
            for (int32_t i = 0; i < taken; ++i)
                require(std::isfinite(g_drained[i].left) && std::isfinite(g_drained[i].right),
                        "decoded frames are finite");
        }
        // With all input given, a step from an empty ring that delivers nothing ends the stream.
        if (fed == size && before == 0 && produced == 0)
            break;
    }
    require(slot->byteRate.load() >= 0 && slot->byteRateCount.load() >= 0,
            "the byte-rate average stays positive");
    Mp3Decoder::destroy(decoder);
    clearSlot(*slot);
    return 0;
}

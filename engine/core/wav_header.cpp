#include "engine/core/wav_header.h"

#include <cctype>
#include <cstring>

namespace klv::engine {

WavHeader parseWavHeader(const uint8_t (&bytes)[kWavHeaderBytes]) {
    WavHeader header;
    header.riffPcm = std::memcmp(bytes, "RIFF", 4) == 0 && readLe16Signed(bytes + 20) == 1;
    header.fmtSize = readLe32(bytes + 16);
    header.channels = readLe16Signed(bytes + 22);
    header.sampleRate = readLe32(bytes + 24);
    header.bitsPerSample = readLe16Signed(bytes + 34);
    header.dataTag = isDataChunkTag(bytes + 36);
    header.dataSize = readLe32(bytes + 40);
    return header;
}

bool isDataChunkTag(const uint8_t* tag) {
    static constexpr char kData[] = "data";
    for (int i = 0; i < 4; ++i) {
        if (std::tolower(tag[i]) != kData[i])
            return false;
    }
    return true;
}

const char* unsupportedWavFormat(const WavHeader& header) {
    if (header.channels != 1 && header.channels != 2)
        return "Can't open file - Invalid or Unsupported Number of Channels";
    if (header.sampleRate < 4000 || header.sampleRate > 48000)
        return "Can't open file - Invalid or Unsupported Sample Rate";
    if (header.bitsPerSample != 8 && header.bitsPerSample != 16)
        return "Can't open file - Invalid or Unsupported Bit Resolution";
    return nullptr;
}

} // namespace klv::engine

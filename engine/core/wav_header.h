#pragma once
// The 44-byte header of a RIFF WAV file as a line reads it at open. Only the fields that decide
// whether and how the file plays are looked at; the RIFF size, "WAVE", byte rate and block
// align are not checked. Sample data always starts at byte 44.

#include <cstdint>

namespace klv::engine {

constexpr int32_t kWavHeaderBytes = 44;

struct WavHeader {
    bool riffPcm = false;      // "RIFF" and format tag 1
    int32_t fmtSize = 0;       // size of the "fmt " chunk (offset 16)
    int32_t channels = 0;      // signed 16 bits at 22
    int32_t sampleRate = 0;    // signed 32 bits at 24
    int32_t bitsPerSample = 0; // signed 16 bits at 34
    bool dataTag = false;      // "data", without regard to case, at 36
    int32_t dataSize = 0;      // signed 32 bits at 40
};

// Reads the fields from the first 44 bytes; a shorter file has its missing bytes as zeros.
WavHeader parseWavHeader(const uint8_t (&bytes)[kWavHeaderBytes]);

// Whether a chunk tag is "data" without regard to case.
bool isDataChunkTag(const uint8_t* tag);

// The user's message for a format the engine cannot play, or null when it plays.
const char* unsupportedWavFormat(const WavHeader& header);

// Bytes of file per second of sound.
inline int32_t wavByteRate(const WavHeader& header) {
    return header.sampleRate * header.channels * (header.bitsPerSample / 8);
}

// Little-endian fields.
inline int32_t readLe32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                (uint32_t{p[3]} << 24));
}

inline int32_t readLe16Signed(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

} // namespace klv::engine

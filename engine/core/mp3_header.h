#pragma once
// MPEG-1 Layer III frame headers as the engine accepts them. A header is the 32-bit word of the
// frame's first four bytes, first byte in the top bits. Only MPEG-1 Layer III with a bit rate
// from the table and a known sampling rate is played: free-format, MPEG-2 and MPEG-2.5 streams
// are refused.

#include <cstdint>

namespace klv::engine {

// Frame sync, MPEG-1, Layer III; the protection bit is free.
constexpr bool isMp3Sync(uint32_t word) {
    return (word & 0xFFFE0000u) == 0xFFFA0000u;
}

constexpr int32_t mp3BitRateIndex(uint32_t word) {
    return static_cast<int32_t>((word >> 12) & 0xFu);
}

constexpr int32_t mp3SampleRateIndex(uint32_t word) {
    return static_cast<int32_t>((word >> 10) & 0x3u);
}

constexpr int32_t mp3ChannelMode(uint32_t word) {
    return static_cast<int32_t>((word >> 6) & 0x3u);
}

// A sync whose bit-rate index is neither 0 (free format) nor 15 and whose sampling-rate index
// is not 3.
constexpr bool isValidMp3Header(uint32_t word) {
    const int32_t bitRate = mp3BitRateIndex(word);
    return isMp3Sync(word) && bitRate != 0 && bitRate != 15 && mp3SampleRateIndex(word) != 3;
}

// The following helpers expect a valid header.

constexpr int32_t mp3BitRateKbps(uint32_t word) {
    constexpr int32_t kTable[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                    112, 128, 160, 192, 224, 256, 320, 0};
    return kTable[mp3BitRateIndex(word)];
}

constexpr int32_t mp3SampleRate(uint32_t word) {
    constexpr int32_t kTable[4] = {44100, 48000, 32000, 0};
    return kTable[mp3SampleRateIndex(word)];
}

// 1 for single-channel mode, else 2.
constexpr int32_t mp3Channels(uint32_t word) {
    return mp3ChannelMode(word) == 3 ? 1 : 2;
}

// Bytes of file per second of sound.
constexpr int32_t mp3ByteRate(uint32_t word) {
    return mp3BitRateKbps(word) * 125;
}

// Frame length in bytes, header included: 144 x bit rate / sampling rate + padding.
constexpr int32_t mp3FrameLength(uint32_t word) {
    return 144 * mp3BitRateKbps(word) * 1000 / mp3SampleRate(word) +
           static_cast<int32_t>((word >> 9) & 1u);
}

// The longest frame: 320 kbit/s at 32000 with padding.
constexpr int32_t kMp3MaxFrameLength = 144 * 320 * 1000 / 32000 + 1;

// Frames per MPEG-1 Layer III frame, and the bytes of one decoded frame as float stereo.
constexpr int32_t kMp3FrameSamples = 1152;
constexpr int32_t kMp3FrameOutputBytes = kMp3FrameSamples * 2 * 4;

constexpr uint32_t mp3Word(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

} // namespace klv::engine

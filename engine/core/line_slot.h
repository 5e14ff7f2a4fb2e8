#pragma once
// LineSlot: the library's playback record of one open line. A fixed table of 24 lives in the
// library's static data; a slot is free exactly while its sampleRing is null.
//
// Every 32-bit value shared between threads is atomic and has one writing side at a time:
// - ui thread: playing, preview, volume, pan, pitch, position and length when it seeks or
//   recomputes them;
// - reader: fileWrite, filePos, endOfFile, readerRunning;
// - decoder: fileRead, sampleWrite, decoderRunning, the byte-rate fields, sampleRead and
//   position only while the line is not playing (leading silence), and a coded line's length
//   once it has played through;
// - output thread: sampleRead, currentVolume, the level histories, position between two
//   recomputations.
// The ring indices follow the single-producer single-consumer rules of
// platform/system/spsc_ring.h.
//
// Every field starts at zero, the cleared state of a free slot. clearSlot names every field,
// so one added here does not compile until it is cleared there too.

#include "engine/audio/time_stretch_state.h"

#include <atomic>
#include <cstdint>

struct Frame {
    float left;
    float right;
};

constexpr int32_t kFileRingBytes = 524288;
constexpr int32_t kSampleRingFrames = 65536;
constexpr int32_t kResampleBufferBytes = 65536;
constexpr int kSongEqBands = 5;
constexpr int kPeakHistory = 8;
constexpr int kSeekTableEntries = 100;
constexpr int kLineSlotCount = 24;

struct LineSlot {
    uint8_t* fileRing{};              // kFileRingBytes of raw file data
    std::atomic<int32_t> fileRead{};  // next byte the decoder consumes
    std::atomic<int32_t> fileWrite{}; // next byte the reader fills (kFileRingBytes reads as 0)
    uint8_t* resampleBuffer{};        // kResampleBufferBytes for the MP3 rate conversion
    Frame* sampleRing{};              // kSampleRingFrames; null = slot free
    std::atomic<int32_t> sampleRead{};
    std::atomic<int32_t> sampleWrite{};
    std::atomic<int32_t> position{}; // frames at 44100
    std::atomic<int32_t> playing{};
    std::atomic<int32_t> filePos{};     // file offset of the reader's next byte
    std::atomic<float> volume{};        // target 0..2
    std::atomic<float> currentVolume{}; // ramped
    std::atomic<int32_t> pitch{};       // thousandths, 0..2000
    std::atomic<int32_t> pan{};         // -100..100
    std::atomic<int32_t> preview{};
    float pcmSmooth[2]{}; // WAV rate converter, decoder thread only
    float pcmSmoothPrev[2]{};
    float songEqState[40]{}; // output thread only
    std::atomic<float> songEq[kSongEqBands]{};
    std::atomic<float> peakLeft[kPeakHistory]{}; // oldest first
    std::atomic<float> peakRight[kPeakHistory]{};
    std::atomic<int32_t> readerRunning{};
    std::atomic<int32_t> decoderRunning{};
    std::atomic<int32_t> displayRunning{};
    float pcmPhase{};               // WAV rate converter, decoder thread only
    std::atomic<int32_t> dataEnd{}; // end of the audio data in the file
    std::atomic<int32_t> channels{};
    std::atomic<int32_t> sampleRate{};
    std::atomic<int32_t> bitsPerSample{};
    std::atomic<int32_t> byteRateSum{};
    std::atomic<int32_t> byteRateCount{};
    std::atomic<int32_t> byteRate{}; // bytes of file per second of sound
    std::atomic<int32_t> length{};   // frames at 44100; 0 until known
    std::atomic<int32_t> seekTable[kSeekTableEntries]{};
    float resampleState[6]{};   // speed resampler history, output thread only
    TimeStretchState stretch{}; // tempo time-stretcher, output thread only
    std::atomic<int32_t> endOfFile{};
};

static_assert(std::atomic<int32_t>::is_always_lock_free && std::atomic<float>::is_always_lock_free,
              "shared slot values must be plain aligned words");

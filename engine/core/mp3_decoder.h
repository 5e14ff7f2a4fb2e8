#pragma once
// One line's MP3 decoder: the engine's own framing around libmpg123. The engine finds and
// checks every frame header itself (sync, bit rate, sampling rate, and from the fourth frame on
// the same sampling rate and channel mode as the third), keeps the byte-rate average of the
// line, counts failed attempts, and hands libmpg123 one complete frame at a time. Output is
// interleaved float stereo at the stream's rate, each sample limited to -2..2 with NaN as 0; a
// mono stream comes out in both channels.
//
// Thread contract: request() runs on the line's decoder thread only; reset() and destroy run on
// the ui thread (or the decoder's own stop) while the decoder thread is not running;
// heldBytes() may be read from any thread.

#include "engine/core/line_slot.h"
#include "engine/core/mp3_header.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

struct mpg123_handle_struct;

namespace klv::engine {

// Copies decoded samples, each limited to -2..2 and NaN turned into 0. in and out may be the
// same.
void copyLimitedSamples(const float* in, float* out, size_t count);

class Mp3Decoder {
public:
    enum class Answer { Frame, NeedMore, Corrupt };

    // Failed attempts in a row after which the stream counts as corrupt.
    static constexpr int32_t kErrorBudget = 500;
    // The output room the engine offers per request, and the least a request accepts.
    static constexpr int32_t kOutputRoomBytes = 16384;

    // A new decoder, or null when libmpg123 cannot provide one (logged). [ui-thread]
    static Mp3Decoder* create();
    static void destroy(Mp3Decoder* decoder);

    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Appends input (at most a few kilobytes; may be empty) and tries to deliver one frame
    // into out, roomBytes large. On Frame, frames holds the stereo frames written. Headers
    // accepted update the slot's byte-rate fields.
    Answer request(const uint8_t* input, int32_t inputSize, Frame* out, int32_t roomBytes,
                   int32_t& frames, LineSlot& slot);

    // Discards all buffered input, the pending header, the error count and the consistency
    // reference; the next frame starts a new stream.
    void reset();

    // Bytes fed and not yet decoded. [any thread]
    int32_t heldBytes() const { return m_held.load(std::memory_order_acquire); }

    int32_t errorCount() const { return m_errors; }

private:
    Mp3Decoder() = default;
    ~Mp3Decoder();

    bool openLibrary();
    bool findHeader(LineSlot& slot);
    bool acceptHeader(uint32_t word);
    void countByteRate(uint32_t word, LineSlot& slot);
    bool decodeFrame(int32_t length, Frame* out, int32_t roomBytes, int32_t& frames);
    void discard(int32_t count);
    void publishHeld() { m_held.store(m_size, std::memory_order_release); }

    // Input held: a frame and one fed piece at most, with room to spare.
    static constexpr int32_t kBufferBytes = 4 * kMp3MaxFrameLength + 4096;

    mpg123_handle_struct* m_handle = nullptr;
    uint8_t m_buffer[kBufferBytes];
    int32_t m_start = 0; // first held byte in m_buffer
    int32_t m_size = 0;  // bytes held
    bool m_headerPending = false;
    uint32_t m_header = 0;
    int32_t m_errors = 0;
    int32_t m_headersAccepted = 0;
    uint32_t m_reference = 0;
    // A 64-bit sum of the byte rates, so a long 320 kbit/s file cannot overflow the average.
    // The slot's 32-bit fields are the published view; when another thread restarts the
    // average (open, loop, stop, seek) the slot no longer shows what was written here last.
    int64_t m_byteRateSum = 0;
    int32_t m_countWritten = -1;
    int32_t m_sumWritten = -1;
    std::atomic<int32_t> m_held{0};
};

} // namespace klv::engine

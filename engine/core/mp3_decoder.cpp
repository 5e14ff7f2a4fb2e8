#include "engine/core/mp3_decoder.h"

#include "engine/core/log.h"

#include <mpg123.h>

#include <climits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <mutex>

namespace klv::engine {

namespace {

std::once_flag g_libraryInit;
bool g_libraryReady = false;

} // namespace

// Runs once per decoded frame on 2304 samples, so four at a time where the processor allows.
void copyLimitedSamples(const float* in, float* out, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 low = _mm_set1_ps(-2.0f);
    const __m128 high = _mm_set1_ps(2.0f);
    for (; i + 4 <= count; i += 4) {
        const __m128 x = _mm_loadu_ps(in + i);
        // max and min pass a NaN's partner through; the ordered mask then zeroes it.
        const __m128 limited = _mm_min_ps(_mm_max_ps(x, low), high);
        _mm_storeu_ps(out + i, _mm_and_ps(limited, _mm_cmpord_ps(x, x)));
    }
#endif
    for (; i < count; ++i) {
        const float x = in[i];
        float y = x > 2.0f ? 2.0f : x;
        y = y < -2.0f ? -2.0f : y;
        out[i] = x == x ? y : 0.0f;
    }
}

Mp3Decoder* Mp3Decoder::create() {
    std::call_once(g_libraryInit, [] { g_libraryReady = mpg123_init() == MPG123_OK; });
    if (!g_libraryReady) {
        logEntry("MP3 decoder library failed to initialise");
        return nullptr;
    }
    auto* decoder = new Mp3Decoder();
    if (!decoder->openLibrary()) {
        delete decoder;
        return nullptr;
    }
    return decoder;
}

void Mp3Decoder::destroy(Mp3Decoder* decoder) {
    delete decoder;
}

Mp3Decoder::~Mp3Decoder() {
    if (m_handle != nullptr)
        mpg123_delete(m_handle);
}

bool Mp3Decoder::openLibrary() {
    int error = MPG123_OK;
    m_handle = mpg123_new(nullptr, &error);
    if (m_handle == nullptr) {
        logEntry("MP3 decoder could not be created: %s", mpg123_plain_strerror(error));
        return false;
    }
    // The engine hands over whole frames that it has checked itself: no read-ahead, no info
    // frame handling (the Xing frame plays as the silent frame it is), no gapless trimming, and
    // float stereo at the stream's own rate.
    const long flags = MPG123_QUIET | MPG123_FORCE_STEREO | MPG123_IGNORE_INFOFRAME |
                       MPG123_NO_READAHEAD | MPG123_SKIP_ID3V2;
    bool ok = mpg123_param(m_handle, MPG123_FLAGS, flags, 0.0) == MPG123_OK;
    ok = ok && mpg123_format_none(m_handle) == MPG123_OK;
    for (long rate : {32000L, 44100L, 48000L})
        ok = ok && mpg123_format(m_handle, rate, MPG123_STEREO, MPG123_ENC_FLOAT_32) == MPG123_OK;
    ok = ok && mpg123_open_feed(m_handle) == MPG123_OK;
    if (!ok) {
        logEntry("MP3 decoder could not be set up: %s", mpg123_strerror(m_handle));
        return false;
    }
    return true;
}

void Mp3Decoder::reset() {
    mpg123_open_feed(m_handle); // closes the old feed and clears the bit reservoir
    m_start = 0;
    m_size = 0;
    m_headerPending = false;
    m_header = 0;
    m_errors = 0;
    m_headersAccepted = 0;
    m_reference = 0;
    m_countWritten = -1;
    publishHeld();
}

void Mp3Decoder::discard(int32_t count) {
    m_start += count;
    m_size -= count;
    if (m_size == 0)
        m_start = 0;
}

Mp3Decoder::Answer Mp3Decoder::request(const uint8_t* input, int32_t inputSize, Frame* out,
                                       int32_t roomBytes, int32_t& frames, LineSlot& slot) {
    frames = 0;
    if (m_errors > kErrorBudget) {
        m_errors = 0;
        return Answer::Corrupt;
    }
    if (roomBytes < kMp3FrameOutputBytes)
        return Answer::NeedMore;

    if (inputSize > 0) {
        if (m_start + m_size + inputSize > kBufferBytes) {
            std::memmove(m_buffer, m_buffer + m_start, static_cast<size_t>(m_size));
            m_start = 0;
        }
        // Never more than a frame and a piece are held, so this only trims a caller that
        // feeds far more than it should.
        if (m_size + inputSize > kBufferBytes)
            inputSize = kBufferBytes - m_size;
        std::memcpy(m_buffer + m_start + m_size, input, static_cast<size_t>(inputSize));
        m_size += inputSize;
    }

    Answer answer = Answer::NeedMore;
    if (!m_headerPending && !findHeader(slot)) {
        publishHeld();
        return answer;
    }
    if (m_headerPending) {
        const int32_t length = mp3FrameLength(m_header);
        if (m_size >= length) {
            m_headerPending = false;
            if (decodeFrame(length, out, roomBytes, frames)) {
                m_errors = 0;
                answer = Answer::Frame;
            } else {
                ++m_errors;
            }
            discard(length);
        }
    }
    publishHeld();
    return answer;
}

// Looks for the next acceptable header in the held bytes, discarding what lies before it.
// False (after counting a failed attempt when there was something to search) when none is
// there yet.
bool Mp3Decoder::findHeader(LineSlot& slot) {
    if (m_size < 4)
        return false;
    const uint8_t* bytes = m_buffer + m_start;
    for (int32_t i = 0; i + 4 <= m_size; ++i) {
        const uint32_t word = mp3Word(bytes + i);
        if (!isMp3Sync(word))
            continue;
        discard(i);
        if (!acceptHeader(word)) {
            discard(1);
            ++m_errors;
            return false;
        }
        m_header = word;
        m_headerPending = true;
        countByteRate(word, slot);
        return true;
    }
    // No sync: keep the last three bytes, which may be the start of one.
    discard(m_size - 3);
    ++m_errors;
    return false;
}

bool Mp3Decoder::acceptHeader(uint32_t word) {
    if (!isValidMp3Header(word))
        return false;
    if (m_headersAccepted >= 3 && (mp3SampleRateIndex(word) != mp3SampleRateIndex(m_reference) ||
                                   mp3ChannelMode(word) != mp3ChannelMode(m_reference)))
        return false;
    ++m_headersAccepted;
    if (m_headersAccepted == 3)
        m_reference = word;
    return true;
}

void Mp3Decoder::countByteRate(uint32_t word, LineSlot& slot) {
    int32_t count = slot.byteRateCount.load(std::memory_order_acquire);
    const int32_t sum = slot.byteRateSum.load(std::memory_order_acquire);
    if (count != m_countWritten || sum != m_sumWritten)
        m_byteRateSum = sum;
    if (count < 0) {
        count = 0;
        m_byteRateSum = 0;
    }
    m_byteRateSum += mp3ByteRate(word);
    if (count < INT32_MAX)
        ++count;
    m_sumWritten = m_byteRateSum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(m_byteRateSum);
    m_countWritten = count;
    slot.byteRateSum.store(m_sumWritten, std::memory_order_release);
    slot.byteRateCount.store(count, std::memory_order_release);
    slot.byteRate.store(static_cast<int32_t>(m_byteRateSum / count), std::memory_order_release);
}

bool Mp3Decoder::decodeFrame(int32_t length, Frame* out, int32_t roomBytes, int32_t& frames) {
    if (mpg123_feed(m_handle, m_buffer + m_start, static_cast<size_t>(length)) != MPG123_OK)
        return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int result = mpg123_decode_frame(m_handle, &frameNumber, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT)
            continue;
        if (result != MPG123_OK || audio == nullptr || bytes == 0)
            return false;
        const size_t room = static_cast<size_t>(roomBytes) / sizeof(Frame);
        size_t count = bytes / (2 * sizeof(float));
        if (count > room)
            count = room;
        static_assert(sizeof(Frame) == 2 * sizeof(float), "a frame is two packed floats");
        copyLimitedSamples(reinterpret_cast<const float*>(audio), reinterpret_cast<float*>(out),
                           2 * count);
        frames = static_cast<int32_t>(count);
        return true;
    }
    return false;
}

} // namespace klv::engine

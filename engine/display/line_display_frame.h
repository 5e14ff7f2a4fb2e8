#pragma once
// The LCD of one line: time (minutes, seconds, hundredths, with a minus sign in remain mode),
// bitrate, sample rate, transport icon, buffer gauge and the stereo level meter, drawn with a
// lit and a dim pen into the line's device context. The program paints the background; the
// display only ever draws segments, lit or dim.
//
// The time, gauge and levels follow the line every frame; bitrate and sample rate only on full
// frames (every 40 counts of a refresh counter that counts 1 per frame while the line plays and
// 10 otherwise); the icon when it changes. A frame draws only the parts whose picture differs
// from what the target shows, and everything again after a colour change or when someone else
// has touched the target.

#include "platform/ui/surface.h"

#include <cstdint>

namespace klv::engine {

constexpr int32_t kLineLevelSegments = 28;
constexpr int32_t kGaugePixels = 13;
constexpr int32_t kFullFrameCount = 40;

enum class LineIcon { Stop, Pause, Play };

// What a frame reads of the line, its slot and the options.
struct LineDisplayInputs {
    int32_t state = 0;  // the handle's state: 2 started
    int32_t paused = 0; // the handle's paused flag
    int32_t position = 0;
    int32_t length = 0;
    int32_t byteRate = 0;
    int32_t sampleRate = 0;
    int32_t ringFree = 0;  // SampleRing free space in frames
    float peakLeft = 0.0f; // oldest entries of the line's level histories
    float peakRight = 0.0f;
    bool remain = false;
    int32_t litColour = 0; // colour references
    int32_t dimColour = 0;
};

// The refresh counter: true on a full frame, which restarts the count.
class FullFrameCounter {
public:
    bool advance(bool playing) {
        m_count += playing ? 1 : 10;
        if (m_count < kFullFrameCount)
            return false;
        m_count = 0;
        return true;
    }
    int32_t count() const { return m_count; }

private:
    int32_t m_count = 0;
};

// The values a frame shows, derived from the inputs.
struct LineDisplayValues {
    int32_t hundredths = 0;
    bool remain = false;
    int32_t gauge = 0; // 0..13: pixels of the gauge drawn dim, from the top
    int32_t left = 0;  // 0..28 segments lit
    int32_t right = 0;
    LineIcon icon = LineIcon::Stop;
    int32_t bitrate = 0; // kbit/s
    int32_t sampleRate = 0;
};

class LineDisplay {
public:
    // One frame into target; returns true when it drew anything.
    bool frame(const platform::SurfaceRef& target, const LineDisplayInputs& inputs);

    // The values of the last frame.
    const LineDisplayValues& values() const { return m_values; }

private:
    void update(const LineDisplayInputs& inputs);

    FullFrameCounter m_counter;
    LineDisplayValues m_values;

    // What the target shows, valid while m_valid holds.
    bool m_valid = false;
    LineDisplayValues m_shown;
    int32_t m_litColour = 0;
    int32_t m_dimColour = 0;
    platform::DeviceContext m_targetDc = 0; // the target m_shown is on
    uint64_t m_targetChanges = 0;
};

} // namespace klv::engine

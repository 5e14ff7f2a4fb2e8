#pragma once
// The master VU display: ten equalizer band meters and the left and right master meters,
// drawn as blocks into a 178 x 69 picture of the engine's own and stretched onto the target.
// Every 51st frame the target's black bands above and below the picture and the text
// "Kelvara 3.03" are drawn as well.
//
// A frame draws only what differs from what the target already shows: a meter whose index
// moved, the whole picture after a colour change or after someone else touched the target. The
// target then looks exactly as if every frame had been drawn in full, for a fraction of the
// work, which matters for a thread that wakes every millisecond.

#include "engine/display/draw_canvas.h"
#include "platform/ui/surface.h"

#include <array>
#include <cstdint>

namespace klv::engine {

constexpr int32_t kVuPictureWidth = 178;
constexpr int32_t kVuPictureHeight = 69;
constexpr int32_t kVuSegments = 17;
constexpr int32_t kVuBands = 10;
constexpr int32_t kVuTextEvery = 51; // frames
constexpr char kVuText[] = "Kelvara 3.03";

// Meter indices of one frame: bands 0..9, then left, then right.
struct VuIndices {
    std::array<int32_t, kVuBands + 2> meters{};
    bool operator==(const VuIndices&) const = default;
};

// Colour references (0x00BBGGRR) the display uses.
struct VuColours {
    int32_t back = 0;
    int32_t lit = 0;
    int32_t dim = 0;
    int32_t text = 0;
    bool operator==(const VuColours&) const = default;
};

// The indices from the level histories: the second-oldest entry of each, six blocks behind
// the newest, which is what the wave queue is playing now. [any thread; no lock]
VuIndices readVuIndices();

// The display colours from the engine's options copy. [any thread]
VuColours readVuColours();

class VuDisplay {
public:
    // width and height: the target's size as the program gave it to the meters.
    VuDisplay(int32_t width, int32_t height, const VuColours& colours);

    // One frame into target; returns true when it drew anything.
    bool frame(const platform::SurfaceRef& target, const VuIndices& indices,
               const VuColours& colours);

    // The scaled picture's height and its top on the target.
    int32_t scaledHeight() const { return m_scaledHeight; }
    int32_t pictureTop() const { return (m_height - m_scaledHeight) / 2; }

private:
    void drawMeter(int32_t meter, int32_t index);
    void drawBands(const Canvas& target);

    Picture m_picture;
    int32_t m_width;
    int32_t m_height;
    int32_t m_scaledHeight;
    VuColours m_colours;
    Brush m_lit, m_dim, m_back, m_black;
    int32_t m_frameCount = 0;

    // What the picture and the target show.
    std::array<int32_t, kVuBands + 2> m_shownMeters{};
    bool m_pictureValid = false; // every meter in m_shownMeters is drawn in the picture
    bool m_targetValid = false;  // the target shows the current picture
    bool m_bandsValid = false;   // the target shows the black bands and the text
    bool m_clearTarget = false;  // a colour change: the target goes black first
    uint64_t m_targetChanges = 0;
};

} // namespace klv::engine

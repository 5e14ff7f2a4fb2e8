#pragma once
// What the engine's displays draw on: a view of 32-bit pixels (a locked surface of the program,
// or an off-screen picture of the engine's own), and the solid pens and brushes they draw with.
// Pixels are 0xFFRRGGBB like the program's surfaces; colours arrive as 0x00BBGGRR references
// from the options and are converted once, when a pen or brush is made.

#include "platform/ui/surface.h"

#include <cstdint>
#include <vector>

namespace klv::engine {

struct Canvas {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0; // pixels from one row to the next

    bool contains(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    uint32_t* row(int32_t y) const { return pixels + static_cast<ptrdiff_t>(y) * stride; }
};

inline Canvas canvasOf(const platform::SurfaceLock& lock) {
    return Canvas{lock.pixels(), lock.width(), lock.height(), lock.stride()};
}

// A 1-pixel solid pen and a solid brush. Plain values: making one allocates nothing.
struct Pen {
    uint32_t pixel = 0xFF000000u;
};
struct Brush {
    uint32_t pixel = 0xFF000000u;
};

inline Pen penOf(int32_t colorRef) {
    return Pen{platform::pixelFromColorRef(static_cast<uint32_t>(colorRef))};
}
inline Brush brushOf(int32_t colorRef) {
    return Brush{platform::pixelFromColorRef(static_cast<uint32_t>(colorRef))};
}

// An off-screen picture owned by the engine: allocated once by the thread that draws into it.
class Picture {
public:
    Picture(int32_t width, int32_t height)
        : m_pixels(static_cast<size_t>(width) * height, 0xFF000000u), m_width(width),
          m_height(height) {}
    Canvas canvas() { return Canvas{m_pixels.data(), m_width, m_height, m_width}; }

private:
    std::vector<uint32_t> m_pixels;
    int32_t m_width;
    int32_t m_height;
};

} // namespace klv::engine

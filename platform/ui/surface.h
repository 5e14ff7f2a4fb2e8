#pragma once
// Pixel surfaces behind device contexts. The program owns every surface: it creates one per
// picture it hands to the engine (a line's LCD, the VU picture, the clock), resizes it with its
// widget and destroys it when the widget goes. The engine's drawing threads find a surface by
// its device context and draw into it under the surface's lock, so a resize or a destroy never
// happens under a drawing thread, and a thread that comes after a destroy finds nothing and
// draws nothing.
//
// Pixels are 32 bits, 0xFFRRGGBB (the layout of QImage::Format_RGB32), rows `stride` pixels
// apart. Colours in the records are Windows colour references 0x00BBGGRR; pixelFromColorRef
// converts them.
//
// Every call is [thread-safe]. A SurfaceLock is held by one thread for a short time (one frame
// of drawing, one repaint); it is not for the output thread.

#include "platform/platform_api.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace klv::platform {

// The same values as KlvDC: pointer-sized, never 0 for a surface, never reused in a process.
using DeviceContext = intptr_t;

// 0x00BBGGRR -> 0xFFRRGGBB; the top byte of the reference is ignored.
constexpr uint32_t pixelFromColorRef(uint32_t colorRef) {
    return 0xFF000000u | ((colorRef & 0xFFu) << 16) | (colorRef & 0xFF00u) |
           ((colorRef >> 16) & 0xFFu);
}

// Creates a surface of width x height pixels filled with fill (a pixel value) and returns its
// device context; 0 when a size is not positive or too large (more than 16384 on a side).
KLV_PLATFORM_API DeviceContext createSurface(int32_t width, int32_t height, uint32_t fill);

// Gives the surface a new size. Pixels inside both sizes keep their values, the rest get fill.
// Waits for a drawing thread that holds the surface. false for an unknown context or a bad size.
KLV_PLATFORM_API bool resizeSurface(DeviceContext dc, int32_t width, int32_t height, uint32_t fill);

// Drops the surface: waits for a drawing thread that holds it, then the context is dead and
// later look-ups find nothing. Unknown contexts are ignored.
KLV_PLATFORM_API void destroySurface(DeviceContext dc);

namespace detail {
struct SurfaceState;
}

// A lasting reference to a surface, for a thread that draws into it frame after frame: keeps
// the bookkeeping alive (never the right to draw; lock for that) and reads the change count
// without a lock.
class KLV_PLATFORM_API SurfaceRef {
public:
    SurfaceRef() = default;
    // Looks the context up; the reference is empty when there is no such surface.
    explicit SurfaceRef(DeviceContext dc);

    explicit operator bool() const { return m_state != nullptr; }
    DeviceContext dc() const;
    // False once the program has destroyed the surface.
    bool alive() const;
    // Counts every change of the pixels (drawing, filling, resizing) since the surface was made.
    // A drawing thread that finds another value than the one its own last change left knows that
    // someone else has touched the pixels. 0 for an empty reference.
    uint64_t changeCount() const;

private:
    friend class SurfaceLock;
    std::shared_ptr<detail::SurfaceState> m_state;
};

// Exclusive access to a surface's pixels for the lifetime of the object. Empty (false) when the
// surface does not exist or has been destroyed; then nothing may be drawn.
class KLV_PLATFORM_API SurfaceLock {
public:
    explicit SurfaceLock(DeviceContext dc);
    explicit SurfaceLock(const SurfaceRef& ref);
    ~SurfaceLock();
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    explicit operator bool() const { return m_pixels != nullptr; }
    uint32_t* pixels() const { return m_pixels; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t stride() const { return m_stride; } // in pixels
    // The change count as it stands under this lock.
    uint64_t changeCount() const;
    // Records that the holder changed the pixels and returns the new change count.
    uint64_t markChanged();

private:
    void acquire();

    std::shared_ptr<detail::SurfaceState> m_state;
    std::unique_lock<std::mutex> m_lock;
    uint32_t* m_pixels = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_stride = 0;
};

// Number of live surfaces (diagnostics and tests).
KLV_PLATFORM_API int32_t surfaceCount();

} // namespace klv::platform

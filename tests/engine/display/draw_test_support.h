#pragma once
// What the display tests share: a program-owned surface made and dropped around a test, pixel
// colours as the options give them, and the expected pictures of seven-segment digits, written
// out from the display's published geometry (not from the engine's tables) so that a test
// compares the engine's drawing with an independent account of it.

#include "engine/display/draw_canvas.h"
#include "platform/ui/surface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace klv::test {

// Colour references of the tests: distinct in every channel so that a swapped red and blue
// would show.
constexpr int32_t kBack = 0x00102030;
constexpr int32_t kLit = 0x0000C0FF;
constexpr int32_t kDim = 0x00403010;
constexpr int32_t kText = 0x0080FF40;

inline uint32_t px(int32_t colorRef) {
    return platform::pixelFromColorRef(static_cast<uint32_t>(colorRef));
}

// A surface of the program, destroyed when the test ends.
class TestSurface {
public:
    TestSurface(int32_t width, int32_t height, int32_t fillRef = kBack)
        : m_dc(platform::createSurface(width, height, px(fillRef))), m_width(width),
          m_height(height) {}
    ~TestSurface() { platform::destroySurface(m_dc); }
    TestSurface(const TestSurface&) = delete;
    TestSurface& operator=(const TestSurface&) = delete;

    platform::DeviceContext dc() const { return m_dc; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }

    uint32_t at(int32_t x, int32_t y) const {
        platform::SurfaceLock lock(m_dc);
        return lock.pixels()[y * lock.stride() + x];
    }
    std::vector<uint32_t> pixels() const {
        platform::SurfaceLock lock(m_dc);
        std::vector<uint32_t> all;
        for (int32_t y = 0; y < lock.height(); ++y)
            all.insert(all.end(), lock.pixels() + y * lock.stride(),
                       lock.pixels() + y * lock.stride() + lock.width());
        return all;
    }
    // Points inside [x0, x1) x [y0, y1) that have the pixel value.
    std::set<std::pair<int32_t, int32_t>> pointsOf(uint32_t value, int32_t x0 = 0, int32_t y0 = 0,
                                                   int32_t x1 = -1, int32_t y1 = -1) const {
        if (x1 < 0)
            x1 = m_width;
        if (y1 < 0)
            y1 = m_height;
        std::set<std::pair<int32_t, int32_t>> points;
        platform::SurfaceLock lock(m_dc);
        for (int32_t y = y0; y < y1; ++y) {
            for (int32_t x = x0; x < x1; ++x) {
                if (lock.pixels()[y * lock.stride() + x] == value)
                    points.emplace(x, y);
            }
        }
        return points;
    }

private:
    platform::DeviceContext m_dc;
    int32_t m_width;
    int32_t m_height;
};

using Points = std::set<std::pair<int32_t, int32_t>>;

// Pixels of a horizontal or vertical line from (x0, y0) to (x1, y1), end point left out.
inline void addLine(Points& points, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int32_t dx = x1 > x0 ? 1 : (x1 < x0 ? -1 : 0);
    const int32_t dy = y1 > y0 ? 1 : (y1 < y0 ? -1 : 0);
    for (int32_t x = x0, y = y0; x != x1 || y != y1; x += dx, y += dy)
        points.emplace(x, y);
}

// The segments of each symbol by letter: a top, b upper left, c upper right, d middle, e lower
// left, f lower right, g bottom; index 10 is the minus sign.
inline const std::string& segmentLetters(int symbol) {
    static const std::vector<std::string> letters = {"abcefg",  "cf",     "acdeg",  "acdfg",
                                                     "bcdf",    "abdfg",  "abdefg", "acf",
                                                     "abcdefg", "abcdfg", "d"};
    return letters.at(symbol);
}

// Pixels of one segment of a large digit at horizontal offset x.
inline Points largeSegment(int32_t x, char segment) {
    Points p;
    switch (segment) {
    case 'a':
        addLine(p, x + 12, 1, x + 18, 1);
        addLine(p, x + 13, 2, x + 17, 2);
        break;
    case 'b':
        addLine(p, x + 11, 2, x + 11, 7);
        addLine(p, x + 12, 3, x + 12, 6);
        break;
    case 'c':
        addLine(p, x + 18, 2, x + 18, 7);
        addLine(p, x + 17, 3, x + 17, 6);
        break;
    case 'd':
        addLine(p, x + 13, 6, x + 18, 6);
        addLine(p, x + 12, 7, x + 17, 7);
        break;
    case 'e':
        addLine(p, x + 11, 7, x + 11, 12);
        addLine(p, x + 12, 8, x + 12, 11);
        break;
    case 'f':
        addLine(p, x + 17, 8, x + 17, 11);
        addLine(p, x + 18, 7, x + 18, 12);
        break;
    case 'g':
        addLine(p, x + 13, 11, x + 17, 11);
        addLine(p, x + 12, 12, x + 18, 12);
        break;
    }
    return p;
}

// Pixels of one segment of a small digit at (x, y).
inline Points smallSegment(int32_t x, int32_t y, char segment) {
    Points p;
    switch (segment) {
    case 'a':
        addLine(p, x + 1, y, x + 4, y);
        break;
    case 'b':
        addLine(p, x, y + 1, x, y + 4);
        break;
    case 'c':
        addLine(p, x + 4, y + 1, x + 4, y + 4);
        break;
    case 'd':
        addLine(p, x + 1, y + 4, x + 4, y + 4);
        break;
    case 'e':
        addLine(p, x, y + 5, x, y + 8);
        break;
    case 'f':
        addLine(p, x + 4, y + 5, x + 4, y + 8);
        break;
    case 'g':
        addLine(p, x + 1, y + 8, x + 4, y + 8);
        break;
    }
    return p;
}

inline void merge(Points& into, const Points& more) {
    into.insert(more.begin(), more.end());
}

// Lit and dim pixels of a digit position showing symbol (-1: blank, all dim).
struct DigitPixels {
    Points lit;
    Points dim;
};

inline DigitPixels largeDigit(int32_t x, int symbol) {
    DigitPixels d;
    const std::string on = symbol < 0 ? "" : segmentLetters(symbol);
    for (char s : std::string("abcdefg"))
        merge(on.find(s) != std::string::npos ? d.lit : d.dim, largeSegment(x, s));
    return d;
}

inline DigitPixels smallDigit(int32_t x, int32_t y, int symbol) {
    DigitPixels d;
    const std::string on = symbol < 0 ? "" : segmentLetters(symbol);
    for (char s : std::string("abcdefg"))
        merge(on.find(s) != std::string::npos ? d.lit : d.dim, smallSegment(x, y, s));
    return d;
}

// Expects every point to have the pixel value; reports the first few that do not.
inline void expectAll(const TestSurface& surface, const Points& points, uint32_t value,
                      const std::string& what) {
    int failures = 0;
    for (const auto& [x, y] : points) {
        if (x < 0 || y < 0 || x >= surface.width() || y >= surface.height())
            continue;
        const uint32_t got = surface.at(x, y);
        if (got != value && failures++ < 5)
            ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex << got
                          << ", expected " << value;
    }
}

} // namespace klv::test

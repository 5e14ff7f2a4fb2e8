// The drawing calls the displays are built from: lines that leave out their end point, fills,
// the nearest-pixel stretch and the bitmap text, each clipped to its canvas.

#include "engine/display/draw_font.h"
#include "engine/display/draw_primitives.h"
#include "tests/engine/display/draw_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace klv::test {
namespace {

using engine::Brush;
using engine::Canvas;
using engine::LinePainter;
using engine::Pen;

constexpr uint32_t kPaper = 0xFF000000u;
constexpr uint32_t kInk = 0xFFFFFFFFu;
constexpr uint32_t kGuard = 0xFF123456u;

// A canvas inside a larger buffer: a guard frame of 4 pixels all round, and rows further apart
// than the canvas is wide, so that any write outside the canvas lands on a guard pixel.
class GuardedCanvas {
public:
    GuardedCanvas(int32_t width, int32_t height)
        : m_width(width), m_height(height), m_stride(width + 2 * kMargin),
          m_buffer(static_cast<size_t>(m_stride) * (height + 2 * kMargin), kGuard) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                pixel(x, y) = kPaper;
    }
    Canvas canvas() {
        return Canvas{&m_buffer[kMargin * m_stride + kMargin], m_width, m_height, m_stride};
    }
    uint32_t& pixel(int32_t x, int32_t y) {
        return m_buffer[(y + kMargin) * m_stride + x + kMargin];
    }
    Points inked() {
        Points points;
        for (int32_t y = 0; y < m_height; ++y)
            for (int32_t x = 0; x < m_width; ++x)
                if (pixel(x, y) == kInk)
                    points.emplace(x, y);
        return points;
    }
    bool guardIntact() {
        for (int32_t y = -kMargin; y < m_height + kMargin; ++y)
            for (int32_t x = -kMargin; x < m_width + kMargin; ++x) {
                const bool inside = x >= 0 && y >= 0 && x < m_width && y < m_height;
                if (!inside && pixel(x, y) != kGuard)
                    return false;
            }
        return true;
    }

private:
    static constexpr int32_t kMargin = 4;
    int32_t m_width, m_height, m_stride;
    std::vector<uint32_t> m_buffer;
};

struct LineCase {
    const char* name;
    int32_t x0, y0, x1, y1;
    Points expected;
};

TEST(DrawLines, EndPointIsLeftOut) {
    const std::vector<LineCase> cases = {
        {"right", 1, 1, 4, 1, {{1, 1}, {2, 1}, {3, 1}}},
        {"left", 4, 1, 1, 1, {{4, 1}, {3, 1}, {2, 1}}},
        {"down", 2, 0, 2, 3, {{2, 0}, {2, 1}, {2, 2}}},
        {"up", 2, 3, 2, 0, {{2, 3}, {2, 2}, {2, 1}}},
        {"one pixel", 5, 5, 6, 5, {{5, 5}}},
        {"no length", 5, 5, 5, 5, {}},
        {"diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {"diagonal back", 25, 19, 23, 21, {{25, 19}, {24, 20}}},
    };
    for (const LineCase& c : cases) {
        GuardedCanvas target(40, 30);
        LinePainter painter(target.canvas(), Pen{kInk});
        painter.line(c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(target.inked(), c.expected) << c.name;
    }
}

// A shallow line steps one column per pixel and never reaches its end point.
TEST(DrawLines, ShallowLineHasOnePixelPerColumn) {
    GuardedCanvas target(90, 10);
    LinePainter painter(target.canvas(), Pen{kInk});
    painter.line(74, 2, 79, 4);
    const Points inked = target.inked();
    ASSERT_EQ(inked.size(), 5u);
    int32_t lastY = 2;
    int32_t x = 74;
    for (auto [px, py] : inked) {
        EXPECT_EQ(px, x++);
        EXPECT_GE(py, lastY);
        EXPECT_LE(py, 4);
        lastY = py;
    }
    EXPECT_EQ(inked.begin()->second, 2);
    EXPECT_EQ(inked.count({79, 4}), 0u);
}

// Each corner of a closed polyline is drawn once, by the line that starts there.
TEST(DrawLines, ClosedPolylineDrawsTheOutlineOnce) {
    GuardedCanvas target(90, 10);
    LinePainter painter(target.canvas(), Pen{kInk});
    painter.polyline({{74, 2}, {79, 2}, {79, 6}, {74, 6}, {74, 2}});
    Points expected;
    for (int32_t x = 74; x <= 79; ++x) {
        expected.emplace(x, 2);
        expected.emplace(x, 6);
    }
    for (int32_t y = 2; y <= 6; ++y) {
        expected.emplace(74, y);
        expected.emplace(79, y);
    }
    EXPECT_EQ(target.inked(), expected);
}

TEST(DrawLines, LinesLeavingTheCanvasAreClipped) {
    GuardedCanvas target(6, 5);
    LinePainter painter(target.canvas(), Pen{kInk});
    painter.line(-8, 1, 12, 1);
    painter.line(2, -9, 2, 9);
    painter.line(-3, -3, 9, 9);
    painter.line(-10, 30, 30, -10);
    EXPECT_TRUE(target.guardIntact());
    EXPECT_EQ(target.inked().count({5, 1}), 1u);
    EXPECT_EQ(target.inked().count({2, 4}), 1u);
}

struct FillCase {
    const char* name;
    int32_t x, y, w, h;
    size_t inked;
};

TEST(DrawFill, FillsTheRectangleWithinTheCanvas) {
    const std::vector<FillCase> cases = {
        {"inside", 1, 1, 3, 2, 6},
        {"whole", 0, 0, 8, 6, 48},
        {"over the edges", -2, -2, 20, 20, 48},
        {"right of it", 8, 0, 4, 4, 0},
        {"empty width", 2, 2, 0, 3, 0},
        {"negative height", 2, 2, 3, -3, 0},
        {"partly above", 1, -2, 2, 3, 2},
    };
    for (const FillCase& c : cases) {
        GuardedCanvas target(8, 6);
        engine::fillRect(target.canvas(), c.x, c.y, c.w, c.h, Brush{kInk});
        EXPECT_EQ(target.inked().size(), c.inked) << c.name;
        EXPECT_TRUE(target.guardIntact()) << c.name;
    }
}

// A source whose every pixel is different, so the test sees which one landed where.
std::vector<uint32_t> numberedPixels(int32_t width, int32_t height) {
    std::vector<uint32_t> pixels;
    for (int32_t i = 0; i < width * height; ++i)
        pixels.push_back(0xFF000000u + static_cast<uint32_t>(i) + 1);
    return pixels;
}

TEST(DrawStretch, TakesTheNearestSourcePixelWithoutMixing) {
    struct Case {
        const char* name;
        int32_t sw, sh, dw, dh;
    };
    for (const Case& c : std::vector<Case>{{"same", 4, 3, 4, 3},
                                           {"double", 3, 2, 6, 4},
                                           {"half", 8, 6, 4, 3},
                                           {"wider only", 178, 69, 356, 69},
                                           {"odd", 178, 69, 250, 97}}) {
        std::vector<uint32_t> source = numberedPixels(c.sw, c.sh);
        const Canvas from{source.data(), c.sw, c.sh, c.sw};
        GuardedCanvas target(c.dw, c.dh);
        engine::stretchCopy(from, target.canvas(), 0, 0, c.dw, c.dh);
        for (int32_t y = 0; y < c.dh; ++y) {
            for (int32_t x = 0; x < c.dw; ++x) {
                const uint32_t expected = source[(y * c.sh / c.dh) * c.sw + x * c.sw / c.dw];
                ASSERT_EQ(target.pixel(x, y), expected) << c.name << " at " << x << "," << y;
            }
        }
        EXPECT_TRUE(target.guardIntact()) << c.name;
    }
}

TEST(DrawStretch, PlacementOutsideTheTargetIsClipped) {
    std::vector<uint32_t> source = numberedPixels(4, 4);
    const Canvas from{source.data(), 4, 4, 4};
    GuardedCanvas target(6, 6);
    engine::stretchCopy(from, target.canvas(), -4, 3, 8, 8); // 2x, half of it off the canvas
    EXPECT_TRUE(target.guardIntact());
    EXPECT_EQ(target.pixel(0, 3), source[2]); // source column 2: the first one on the canvas
    EXPECT_EQ(target.pixel(3, 5), source[4 + 3]);
    EXPECT_EQ(target.pixel(0, 2), kPaper);
    engine::stretchCopy(from, target.canvas(), 0, 0, 0, 5); // empty: nothing
    EXPECT_TRUE(target.guardIntact());
}

TEST(DrawText, TextIsCentredAndOnlyItsGlyphsAreInked) {
    GuardedCanvas target(200, 30);
    engine::drawTextCentred(target.canvas(), "Kelvara 3.03", 0, 200, 16, kInk);
    const Points inked = target.inked();
    ASSERT_FALSE(inked.empty());
    int32_t left = 200, right = -1, top = 30, bottom = -1;
    for (auto [x, y] : inked) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    // The first and last glyph ("K" and "3") reach both edges of their cells.
    EXPECT_EQ(left, 199 - right);
    EXPECT_EQ(right - left + 1, engine::textWidth("Kelvara 3.03"));
    EXPECT_EQ(top, 16);
    EXPECT_EQ(bottom, 16 + engine::textHeight() - 1);
    EXPECT_TRUE(target.guardIntact());
}

TEST(DrawText, TextReachingPastTheCanvasIsClipped) {
    GuardedCanvas target(40, 12);
    engine::drawTextCentred(target.canvas(), "Kelvara 3.03", 0, 40, 6, kInk);
    EXPECT_FALSE(target.inked().empty());
    EXPECT_TRUE(target.guardIntact());
}

} // namespace
} // namespace klv::test

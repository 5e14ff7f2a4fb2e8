// Pictures of the displays for a person to look at: the VU display in its panel and on a
// full-screen-like target, a playing line's LCD and the clock, in the program's default
// colours, written as PNG files to previewFolder(). The test checks only that the files are
// there; the pictures themselves are checked pixel by pixel by the other display tests.

#include "engine/display/clock_display.h"
#include "engine/display/line_display_frame.h"
#include "engine/display/vu_display.h"
#include "tests/engine/display/draw_png_writer.h"
#include "tests/engine/display/draw_test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace klv::test {
namespace {

// The program's default display colours.
constexpr int32_t kDefaultBack = 0x000000;
constexpr int32_t kDefaultLit = 0xFFC800;
constexpr int32_t kDefaultDim = 0x302400;
constexpr int32_t kDefaultText = 0xC0C0C0;

bool isPng(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    char signature[8] = {};
    in.read(signature, 8);
    return in && std::string(signature, 8) == std::string("\x89PNG\r\n\x1a\n", 8);
}

void drawVu(const TestSurface& surface, int32_t width, int32_t height) {
    const engine::VuColours colours{kDefaultBack, kDefaultLit, kDefaultDim, kDefaultText};
    engine::VuDisplay display(width, height, colours);
    engine::VuIndices indices;
    indices.meters = {16, 17, 15, 13, 12, 10, 11, 8, 6, 3, 14, 12};
    const platform::SurfaceRef target(surface.dc());
    for (int frame = 0; frame < engine::kVuTextEvery; ++frame)
        display.frame(target, indices, colours);
}

TEST(DisplayPreview, WritesPicturesOfTheDisplays) {
    const std::filesystem::path folder = previewFolder();

    TestSurface vu(178, 69, kDefaultBack);
    drawVu(vu, 178, 69);
    TestSurface fullScreen(640, 400, kDefaultBack);
    drawVu(fullScreen, 640, 400);

    TestSurface lcd(86, 34, kDefaultBack);
    engine::LineDisplay line;
    engine::LineDisplayInputs in;
    in.state = 2;
    in.position = static_cast<int32_t>(187.5 * 44100);
    in.length = 240 * 44100;
    in.byteRate = 16000;
    in.sampleRate = 44100;
    in.ringFree = 30000;
    in.peakLeft = 0.5f;
    in.peakRight = 0.3f;
    in.litColour = kDefaultLit;
    in.dimColour = kDefaultDim;
    line.frame(platform::SurfaceRef(lcd.dc()), in);

    TestSurface clock(44, 14, kDefaultBack);
    {
        platform::SurfaceLock lock(clock.dc());
        engine::drawClock(engine::canvasOf(lock), 21, 47, kDefaultLit, kDefaultDim);
    }

    const struct {
        const TestSurface& surface;
        const char* name;
        int32_t scale;
    } pictures[] = {{vu, "vu.png", 4},
                    {fullScreen, "vu-full-screen.png", 1},
                    {lcd, "line-lcd.png", 8},
                    {clock, "clock.png", 8}};
    for (const auto& p : pictures) {
        const std::filesystem::path file = folder / p.name;
        ASSERT_TRUE(writeSurfacePng(p.surface.dc(), file, p.scale)) << file;
        EXPECT_TRUE(isPng(file)) << file;
        EXPECT_GT(std::filesystem::file_size(file),
                  static_cast<uintmax_t>(p.surface.width() * p.surface.height() * 3))
            << file;
    }
}

} // namespace
} // namespace klv::test

#pragma once
// The engine's one text ("Kelvara 3.03" on the VU display) in a small bitmap font of its own:
// 5 x 7 cells drawn at twice their size, one cell of space between characters. The font holds
// the digits, the point, the space and the letters of that text; any other character is drawn
// as an empty cell.

#include "engine/display/draw_canvas.h"

#include <cstdint>
#include <string_view>

namespace klv::engine {

constexpr int32_t kFontScale = 2;
constexpr int32_t kGlyphWidth = 5;
constexpr int32_t kGlyphHeight = 7;
constexpr int32_t kGlyphAdvance = (kGlyphWidth + 1) * kFontScale;

// Width and height in pixels of text on one line.
int32_t textWidth(std::string_view text);
constexpr int32_t textHeight() {
    return kGlyphHeight * kFontScale;
}

// Draws text on one line, centred between left and right (exclusive), its top at y, in pixel
// colour. Only the glyphs' pixels are set (the background stays); clipped to the canvas only.
void drawTextCentred(const Canvas& canvas, std::string_view text, int32_t left, int32_t right,
                     int32_t y, uint32_t pixel);

} // namespace klv::engine

#pragma once
// The VU display's picture as its geometry describes it: 17 rows of 6 x 3 blocks, two columns
// per meter (bands 0..9, then left and right master), on a 178 x 69 background.

#include "engine/audio/master_section.h"
#include "tests/engine/display/draw_test_support.h"

#include <array>
#include <vector>

namespace klv::test {

constexpr int32_t kVuWidth = 178;
constexpr int32_t kVuHeight = 69;

// Lit blocks per meter: bands 0..9, left, right.
using MeterCounts = std::array<int32_t, 12>;

inline std::array<int32_t, 2> vuColumns(int meter) {
    if (meter == 10)
        return {146, 153};
    if (meter == 11)
        return {164, 171};
    return {14 * meter + 1, 14 * meter + 9};
}

inline std::vector<uint32_t> expectedVuPicture(const MeterCounts& lit) {
    std::vector<uint32_t> picture(kVuWidth * kVuHeight, px(kBack));
    for (int meter = 0; meter < 12; ++meter) {
        for (int32_t row = 0; row < 17; ++row) {
            const int32_t top = 65 - 4 * row;
            for (int32_t column : vuColumns(meter))
                for (int32_t y = top; y < top + 3; ++y)
                    for (int32_t x = column; x < column + 6; ++x)
                        picture[y * kVuWidth + x] = px(row < lit[meter] ? kLit : kDim);
        }
    }
    return picture;
}

// The lit blocks of each meter as a surface showing the picture at (0, top) unscaled has them,
// counted from the bottom while they are contiguous; -1 for a meter whose blocks are neither
// a run of lit blocks over dim ones.
inline MeterCounts countLitBlocks(const TestSurface& surface, int32_t top = 0) {
    MeterCounts counts{};
    for (int meter = 0; meter < 12; ++meter) {
        int32_t count = 0;
        bool dimSeen = false;
        for (int32_t row = 0; row < 17 && count >= 0; ++row) {
            const uint32_t pixel = surface.at(vuColumns(meter)[0], top + 65 - 4 * row);
            if (pixel == px(kLit) && !dimSeen)
                ++count;
            else if (pixel == px(kDim))
                dimSeen = true;
            else
                count = -1;
        }
        counts[meter] = count;
    }
    return counts;
}

// Writes the level histories as the output thread would: every entry of each history gets
// `other`, the second-oldest gets the value the meters show.
inline void setShownLevels(float left, float right, const std::array<float, 10>& bands,
                           float other = 0.0f) {
    engine::MasterLevels& levels = engine::masterLevels();
    for (int entry = 0; entry < kPeakHistory; ++entry) {
        const bool shown = entry == 1;
        levels.left[entry].store(shown ? left : other);
        levels.right[entry].store(shown ? right : other);
        for (int band = 0; band < 10; ++band)
            levels.bands[entry][band].store(shown ? bands[band] : other);
    }
}

} // namespace klv::test

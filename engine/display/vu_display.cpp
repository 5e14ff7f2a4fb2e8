#include "engine/display/vu_display.h"

#include "engine/audio/master_section.h"
#include "engine/core/options_copy.h"
#include "engine/display/draw_font.h"
#include "engine/display/draw_primitives.h"
#include "engine/display/vu_level.h"

namespace klv::engine {

namespace {

// The history entry the meters show: one after the oldest.
constexpr int kShownEntry = 1;

constexpr int32_t kBlockWidth = 6;
constexpr int32_t kBlockHeight = 3;
constexpr int32_t kLeftMeter = kVuBands;
constexpr int32_t kRightMeter = kVuBands + 1;

// The two block columns of each meter.
struct Columns {
    int32_t first;
    int32_t second;
};

Columns columnsOf(int32_t meter) {
    if (meter == kLeftMeter)
        return {146, 153};
    if (meter == kRightMeter)
        return {164, 171};
    return {14 * meter + 1, 14 * meter + 9};
}

} // namespace

VuIndices readVuIndices() {
    MasterLevels& levels = masterLevels();
    VuIndices indices;
    for (int32_t band = 0; band < kVuBands; ++band) {
        indices.meters[band] = meterIndex(
            levels.bands[kShownEntry][band].load(std::memory_order_relaxed), kBandMeterOffset);
    }
    indices.meters[kLeftMeter] =
        meterIndex(levels.left[kShownEntry].load(std::memory_order_relaxed), kMasterMeterOffset);
    indices.meters[kRightMeter] =
        meterIndex(levels.right[kShownEntry].load(std::memory_order_relaxed), kMasterMeterOffset);
    return indices;
}

VuColours readVuColours() {
    return VuColours{option(&OptionsRecord::LCDBackColor), option(&OptionsRecord::LCDLitColor),
                     option(&OptionsRecord::LCDDimColor), option(&OptionsRecord::TextColor)};
}

VuDisplay::VuDisplay(int32_t width, int32_t height, const VuColours& colours)
    : m_picture(kVuPictureWidth, kVuPictureHeight), m_width(width), m_height(height),
      m_scaledHeight(
          static_cast<int32_t>(static_cast<int64_t>(width) * kVuPictureHeight / kVuPictureWidth)),
      m_colours(colours), m_lit(brushOf(colours.lit)), m_dim(brushOf(colours.dim)),
      m_back(brushOf(colours.back)), m_black(brushOf(0)) {
    fillRect(m_picture.canvas(), 0, 0, kVuPictureWidth, kVuPictureHeight, m_back);
}

void VuDisplay::drawMeter(int32_t meter, int32_t index) {
    const Canvas picture = m_picture.canvas();
    const Columns columns = columnsOf(meter);
    for (int32_t row = 0; row < kVuSegments; ++row) {
        const int32_t y = 65 - 4 * row;
        const Brush brush = index > row ? m_lit : m_dim;
        fillRect(picture, columns.first, y, kBlockWidth, kBlockHeight, brush);
        fillRect(picture, columns.second, y, kBlockWidth, kBlockHeight, brush);
    }
}

void VuDisplay::drawBands(const Canvas& target) {
    const int32_t band = (m_height - m_scaledHeight) / 2;
    fillRect(target, 0, 0, m_width, band, m_black);
    fillRect(target, 0, band + m_scaledHeight, m_width, band, m_black);
    drawTextCentred(target, kVuText, 0, m_width, 16,
                    platform::pixelFromColorRef(static_cast<uint32_t>(m_colours.text)));
}

bool VuDisplay::frame(const platform::SurfaceRef& target, const VuIndices& indices,
                      const VuColours& colours) {
    if (colours.back != m_colours.back || colours.lit != m_colours.lit ||
        colours.dim != m_colours.dim) {
        m_lit = brushOf(colours.lit);
        m_dim = brushOf(colours.dim);
        m_back = brushOf(colours.back);
        fillRect(m_picture.canvas(), 0, 0, kVuPictureWidth, kVuPictureHeight, m_back);
        m_pictureValid = false;
        m_clearTarget = true;
    }
    if (colours.text != m_colours.text)
        m_bandsValid = false;
    m_colours = colours;

    bool textFrame = false;
    if (++m_frameCount >= kVuTextEvery) {
        m_frameCount = 0;
        textFrame = true;
    }

    // The picture is the engine's own and always kept current.
    bool pictureChanged = false;
    for (int32_t meter = 0; meter < kVuBands + 2; ++meter) {
        const int32_t shown = shownSegments(indices.meters[meter], kVuSegments);
        if (!m_pictureValid || shown != m_shownMeters[meter]) {
            drawMeter(meter, shown);
            m_shownMeters[meter] = shown;
            pictureChanged = true;
        }
    }
    m_pictureValid = true;

    if (!target) {
        m_targetValid = false;
        return false;
    }
    if (target.changeCount() != m_targetChanges) {
        m_targetValid = false;
        m_bandsValid = false;
    }
    const bool bandsDue = textFrame && !m_bandsValid;
    if (!pictureChanged && m_targetValid && !bandsDue && !m_clearTarget)
        return false;

    platform::SurfaceLock lock(target);
    if (!lock) {
        m_targetValid = false;
        return false;
    }
    if (lock.changeCount() != m_targetChanges)
        m_bandsValid = false; // touched since the look above
    const Canvas canvas = canvasOf(lock);
    if (m_clearTarget) {
        fillRect(canvas, 0, 0, m_width, m_height, m_black);
        m_clearTarget = false;
        m_bandsValid = false;
    }
    if (textFrame && !m_bandsValid) {
        drawBands(canvas);
        m_bandsValid = true;
    }
    stretchCopy(m_picture.canvas(), canvas, 0, pictureTop(), m_width, m_scaledHeight);
    m_targetChanges = lock.markChanged();
    m_targetValid = true;
    return true;
}

} // namespace klv::engine

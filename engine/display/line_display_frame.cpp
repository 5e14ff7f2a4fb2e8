#include "engine/display/line_display_frame.h"

#include "engine/display/draw_canvas.h"
#include "engine/display/line_display_parts.h"
#include "engine/display/vu_level.h"

#include <algorithm>

namespace klv::engine {

namespace {

constexpr int32_t kFramesPerHundredth = 441;
constexpr int32_t kGaugeStep = 4096; // free frames per gauge pixel
constexpr int32_t kBytesPerKilobit = 125;

} // namespace

void LineDisplay::update(const LineDisplayInputs& in) {
    m_values.remain = in.remain;
    m_values.bitrate = std::max(in.byteRate, 0) / kBytesPerKilobit;
    m_values.sampleRate = std::max(in.sampleRate, 0);
    if (in.state != 2)
        m_values.icon = LineIcon::Stop;
    else
        m_values.icon = in.paused != 0 ? LineIcon::Pause : LineIcon::Play;
    // Past the end (or before the length is known) the time stands still.
    if (in.length > in.position && in.position >= 0) {
        const int32_t frames = in.remain ? in.length - in.position : in.position;
        m_values.hundredths = frames / kFramesPerHundredth;
    }
    m_values.gauge = std::clamp(in.ringFree / kGaugeStep - 2, 0, kGaugePixels);
    m_values.left = shownSegments(meterIndex(in.peakLeft, kLineMeterOffset), kLineLevelSegments);
    m_values.right = shownSegments(meterIndex(in.peakRight, kLineMeterOffset), kLineLevelSegments);
}

bool LineDisplay::frame(const platform::SurfaceRef& target, const LineDisplayInputs& in) {
    const bool full = m_counter.advance(in.state == 2);
    update(in);
    if (!target) {
        m_valid = false;
        return false;
    }
    bool all = !m_valid || target.dc() != m_targetDc || in.litColour != m_litColour ||
               in.dimColour != m_dimColour || target.changeCount() != m_targetChanges;
    const LineDisplayValues& v = m_values;
    bool time = v.hundredths != m_shown.hundredths || v.remain != m_shown.remain;
    bool gauge = v.gauge != m_shown.gauge;
    bool levels = v.left != m_shown.left || v.right != m_shown.right;
    bool icon = v.icon != m_shown.icon;
    bool rates = full && (v.bitrate != m_shown.bitrate || v.sampleRate != m_shown.sampleRate);
    if (!all && !time && !gauge && !levels && !icon && !rates)
        return false;

    platform::SurfaceLock lock(target);
    if (!lock) {
        m_valid = false;
        return false;
    }
    if (lock.changeCount() != m_targetChanges)
        all = true; // touched since the look above
    if (all)
        time = gauge = levels = icon = rates = true;

    LinePainter painter(canvasOf(lock), penOf(in.dimColour));
    for (const Pass pass : {Pass::Dim, Pass::Lit}) {
        painter.setPen(penOf(pass == Pass::Lit ? in.litColour : in.dimColour));
        if (gauge)
            drawLineGauge(painter, v.gauge, pass);
        if (levels)
            drawLineLevels(painter, v.left, v.right, pass);
        if (time)
            drawLineTime(painter, v.hundredths, v.remain, pass);
        if (icon)
            drawLineIcon(painter, v.icon, pass);
        if (rates)
            drawLineRates(painter, v.bitrate, v.sampleRate, pass);
        if (rates && pass == Pass::Lit)
            drawLineLabels(painter);
    }

    // The rates keep showing what was last drawn until the next full frame.
    const int32_t shownBitrate = rates ? v.bitrate : m_shown.bitrate;
    const int32_t shownSampleRate = rates ? v.sampleRate : m_shown.sampleRate;
    m_shown = v;
    m_shown.bitrate = shownBitrate;
    m_shown.sampleRate = shownSampleRate;
    m_litColour = in.litColour;
    m_dimColour = in.dimColour;
    m_targetDc = target.dc();
    m_targetChanges = lock.markChanged();
    m_valid = true;
    return true;
}

} // namespace klv::engine

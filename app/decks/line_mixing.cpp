// The line's gain, pan, pitch and crossfader assignment, and the toggles that feed them.

#include "app/decks/cross_fader.h"
#include "app/decks/line_control.h"
#include "app/decks/line_geometry.h"

#include "app/shell/desk.h"

#include <QApplication>

#include <algorithm>
#include <cmath>

namespace klv::app {

namespace {

// Rounded to the nearest integer, ties to the even one (the default rounding mode).
int32_t nearest(double x) {
    return static_cast<int32_t>(std::nearbyint(x));
}

constexpr uint32_t kRed = 255;
constexpr uint32_t kYellow = 65535;

uint32_t colourRef(int r, int g, int b) {
    return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) |
           (static_cast<uint32_t>(b) << 16);
}

// The crossfader's gain for a side; the centre (full gain on both sides) while the desk has
// no crossfader.
int32_t crossFaderValue(Desk& desk, int32_t side) {
    CrossFader* fader = desk.crossFader();
    if (!fader)
        return 100;
    return side == 1 ? fader->valueLeft() : fader->valueRight();
}

} // namespace

void LineControl::placeFader(int top) {
    m_faderTop = std::clamp(top, line::kFaderMin, line::kFaderMax);
    update(line::kFaderBar);
}

void LineControl::placePitch(int top) {
    m_pitchTop = std::clamp(top, line::kPitchMin, line::kPitchMax);
    applyPitch();
    update(line::kPitchBar);
}

void LineControl::setPan(int left) {
    m_panLeft = std::clamp(left, line::kPanMin, line::kPanMax);
    m_panValue = nearest((m_panLeft - 3) * 100.0 / 32.0 - 100.0);
    for (LineHandle& h : m_handles)
        klvSetPan(&h, m_panValue);
    update(line::kPanBar);
}

void LineControl::setVal(int howMuch) {
    placeFader(m_faderTop + howMuch);
    m_faderPercent = nearest((line::kFaderMax - m_faderTop) * 100.0 / 80.0);
    if (m_faderPercent > 100)
        m_faderPercent = 2 * m_faderPercent - 100;
    applyVolume();

    if (m_xfSide == 1 || m_xfSide == 2) {
        if (CrossFader* fader = m_desk.crossFader())
            fader->setXFLabel(m_xfSide - 1, QStringLiteral("Line %1").arg(m_number + 1));
        if (m_muting) {
            setStatus(QStringLiteral("MUTED"), kRed);
        } else if (m_punch) {
            setStatus(QStringLiteral("PUNCH-IN"), kYellow);
        } else {
            const int k = nearest((100 - m_xfValue) * 128.0 / 100.0);
            setStatus(QStringLiteral("X-FADER"), colourRef(k, 255 - k, k));
        }
    } else if (m_punch && !m_muting) {
        setStatus(QStringLiteral("PUNCH-IN"), kYellow);
    } else {
        setStatus(QStringLiteral("MUTED"), kRed);
    }
}

void LineControl::applyVolume() {
    if (m_muting)
        m_gain = 0.0f;
    else if (m_punch)
        m_gain = static_cast<float>(m_faderPercent) / 100.0f;
    else
        m_gain =
            static_cast<float>(m_xfValue) / 100.0f * static_cast<float>(m_faderPercent) / 100.0f;
    for (LineHandle& h : m_handles)
        klvSetVolume(&h, m_gain);
}

void LineControl::applyPitch() {
    const OptionsRecord& o = m_desk.state().options;
    int32_t offset = line::kPitchCentre - m_pitchTop;
    if (o.InvertPitch == 1)
        offset = -offset;
    static constexpr int32_t kRanges[] = {80, 160, 500, 1000};
    const int32_t range = o.PitchRange >= 0 && o.PitchRange <= 3 ? kRanges[o.PitchRange] : 80;
    m_pitchValue = nearest(offset * static_cast<double>(range) / 35.0 + 1000.0);
    if (m_pitchTop == line::kPitchCentre) {
        m_pitchReturn = false;
        setButton(Button::PitchReturn, false);
    }
    for (LineHandle& h : m_handles)
        klvSetPitch(&h, m_pitchValue);
    showButton(Button::PitchReturn, m_pitchValue != 1000);
}

void LineControl::setXFValue(int32_t value) {
    m_xfValue = value;
    setButton(Button::XFLeft, m_xfSide == 1);
    setButton(Button::XFRight, m_xfSide == 2);
    setVal(0);
}

void LineControl::clearXF(int32_t side) {
    const bool acts =
        (side == 1 && m_xfSide == 1) || (side == 2 && m_xfSide == 2) || (side != 1 && side != 2);
    if (!acts)
        return;
    m_xfSide = 0;
    setButton(Button::XFLeft, false);
    setButton(Button::XFRight, false);
    m_xfValue = 0;
    setVal(0);
}

void LineControl::toggleXFSide(int32_t side) {
    const int32_t otherSide = side == 1 ? 2 : 1;
    setButton(Button::XFLeft, false);
    setButton(Button::XFRight, false);
    if (m_xfSide == side) {
        m_desk.clearXF(side);
        m_xfSide = 0;
        m_xfValue = 0;
    } else {
        if (m_xfSide == otherSide)
            m_desk.clearXF(otherSide);
        // Each side carries at most one line.
        m_desk.clearXF(side);
        m_xfSide = side;
        m_punch = false;
        setButton(side == 1 ? Button::XFLeft : Button::XFRight, true);
        setButton(Button::Punch, false);
        m_xfValue = crossFaderValue(m_desk, side);
    }
    setVal(0);
    doTagTip();
}

void LineControl::togglePunch() {
    if (!m_punch) {
        m_punch = true;
        m_muting = false;
        setButton(Button::Mute, false);
        setButton(Button::Punch, true);
        if (m_xfSide > 0)
            m_desk.clearXF(m_xfSide);
        m_xfSide = 0;
        m_xfValue = 0;
        setButton(Button::XFLeft, false);
        setButton(Button::XFRight, false);
    } else {
        m_punch = false;
        setButton(Button::Punch, false);
    }
    setVal(0);
    doTagTip();
}

void LineControl::toggleMute() {
    m_muting = !m_muting;
    setButton(Button::Mute, m_muting);
    setVal(0);
    doTagTip();
}

void LineControl::doTagTip() {
    if (m_muting)
        m_statusTip = QStringLiteral("Muted (Mute Button Engaged)");
    else if (m_xfSide != 0 || m_punch)
        m_statusTip = m_punch ? QStringLiteral("Punched In")
                              : QStringLiteral("Line Enabled (Assigned to CrossFader)");
    else
        m_statusTip = QStringLiteral("Muted (Not Assigned to CrossFader or Punched-In)");
}

void LineControl::toggleCue() {
    const int32_t on = current().preview == 1 ? 0 : 1;
    KLV_STORE_FIELD(m_handles[0].preview, on);
    KLV_STORE_FIELD(m_handles[1].preview, on);
    setButton(Button::Cue, on == 1);
    klvSetPreview(&m_handles[0]);
    klvSetPreview(&m_handles[1]);
}

void LineControl::toggleLoop() {
    if (current().loop == 1) {
        KLV_STORE_FIELD(m_handles[0].loop, 0);
        KLV_STORE_FIELD(m_handles[1].loop, 0);
        setButton(Button::Loop, false);
        return;
    }
    KLV_STORE_FIELD(m_handles[0].loop, 1);
    KLV_STORE_FIELD(m_handles[1].loop, 1);
    m_autoTrigger = -1;
    setButton(Button::AutoTrigger, false);
    setButtonTip(Button::AutoTrigger, QStringLiteral("Auto Trigger Next Line"));
    setButton(Button::Loop, true);
}

void LineControl::toggleShuffle() {
    if (m_playlistId < 0)
        return;
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    if (m_shuffle) {
        m_shuffle = false;
        klvSortPlaylist(m_playlistId, 0);
        const QByteArray name = m_fileName.toUtf8();
        m_listPos = klvGetIndexFromFile(m_playlistId, name.constData());
        setButton(Button::Shuffle, false);
    } else {
        m_shuffle = true;
        klvRandomizePlaylist(m_playlistId);
        // The next step loads the first entry of the new order.
        m_listPos = -1;
        setButton(Button::Shuffle, true);
    }
    QApplication::restoreOverrideCursor();
    updateButtons();
}

void LineControl::togglePitchReturn() {
    m_pitchReturn = !m_pitchReturn;
    m_pitchReturnTicks = 0;
    setButton(Button::PitchReturn, m_pitchReturn);
}

} // namespace klv::app

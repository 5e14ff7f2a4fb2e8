// The master section's faders: the left and right master gains with their join switch, the
// master mute and the headphone level and mode.

#include "app/decks/master_layout.h"
#include "app/decks/master_section.h"
#include "app/shell/desk.h"

#include "klv3.h"

#include <algorithm>

namespace klv::app {

namespace ml = masterlayout;

namespace {

// 0.0 at the bottom, 1.0 at unity; above unity the gain rises twice as fast, to 2.0 at the top.
float faderGain(int top) {
    float gain = static_cast<float>(ml::kFaderTopMax - top) / 80.0f;
    if (gain > 1.0f)
        gain = (gain - 0.5f) * 2.0f;
    return gain;
}

float headphoneGainOf(int top) {
    return static_cast<float>(ml::kHeadphoneTopMax - top) / 80.0f;
}

} // namespace

void MasterSection::applyVolume() {
    // The master mute silences the main output only; the headphones keep their level.
    if (m_mute)
        klvSetMainVol(0.0f, 0.0f, m_headphoneGain);
    else
        klvSetMainVol(m_gain[0], m_gain[1], m_headphoneGain);
}

void MasterSection::setFaderTop(int index, int top) {
    const auto i = static_cast<size_t>(index == 0 ? 0 : 1);
    m_top[i] = std::clamp(top, ml::kFaderTopMin, ml::kFaderTopMax);
    m_gain[i] = faderGain(m_top[i]);
}

void MasterSection::setVal(int index, int howMuch) {
    const auto i = static_cast<size_t>(index == 0 ? 0 : 1);
    setFaderTop(index, m_top[i] + howMuch);
    if (m_joint) {
        const size_t other = 1 - i;
        m_top[other] = m_top[i];
        m_gain[other] = m_gain[i];
    }
    applyVolume();
    update();
}

void MasterSection::setHeadphoneTop(int top) {
    m_headphoneTop = std::clamp(top, ml::kHeadphoneTopMin, ml::kHeadphoneTopMax);
    m_headphoneGain = headphoneGainOf(m_headphoneTop);
    applyVolume();
    update();
}

void MasterSection::toggleMute() {
    m_mute = !m_mute;
    applyVolume();
    update();
}

void MasterSection::toggleJoint() {
    m_joint = !m_joint;
    if (m_joint) {
        m_top[1] = m_top[0];
        m_gain[1] = m_gain[0];
        applyVolume();
    }
    update();
}

void MasterSection::cycleHeadphoneMode() {
    OptionsRecord& options = m_desk.state().options;
    options.HeadphoneMode = (std::clamp(options.HeadphoneMode, 0, 2) + 1) % 3;
    // The engine routes the headphones by its copy of the options.
    klvSaveOptions(&options);
    update();
}

} // namespace klv::app

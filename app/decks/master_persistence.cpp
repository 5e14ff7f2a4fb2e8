// The master section's settings: faders, mute and join under "Settings", the equalizer in use
// as preset 0 under "Equalizer".

#include "app/decks/master_eq_presets.h"
#include "app/decks/master_layout.h"
#include "app/decks/master_section.h"
#include "app/shell/registry_text.h"

#include "klv3.h"

#include <algorithm>
#include <string>

namespace klv::app {

namespace ml = masterlayout;

namespace {

constexpr const char* kSettings = "Settings";

int storedNumber(const char* name, const char* defaultText) {
    return numericValue(getRegText(kSettings, name, defaultText));
}

} // namespace

void MasterSection::init() {
    m_joint = storedNumber("Joint", "1") == 1;
    m_mute = storedNumber("Mute", "0") == 1;
    setFaderTop(0, storedNumber("Fader 1", "219"));
    setFaderTop(1, storedNumber("Fader 2", "219"));
    m_headphoneTop =
        std::clamp(storedNumber("Fader 3", "223"), ml::kHeadphoneTopMin, ml::kHeadphoneTopMax);
    m_headphoneGain = static_cast<float>(ml::kHeadphoneTopMax - m_headphoneTop) / 80.0f;
    if (m_joint) {
        m_top[1] = m_top[0];
        m_gain[1] = m_gain[0];
    }
    applyVolume();
    const eqpresets::Bands values = eqpresets::bands(0);
    for (int b = 0; b < kBands; ++b)
        setBand(b, ml::kBandFlat - values[static_cast<size_t>(b)]);
    update();
}

void MasterSection::cleanUp() {
    if (m_vuWindow)
        closeFullScreenVu();
    klvStopVU();
    eqpresets::Bands values{};
    for (int b = 0; b < kBands; ++b)
        values[static_cast<size_t>(b)] = ml::kBandFlat - m_bandTop[static_cast<size_t>(b)];
    eqpresets::write(0, {}, values);
    setRegText(kSettings, "Joint", m_joint ? "1" : "0");
    setRegText(kSettings, "Mute", m_mute ? "1" : "0");
    setRegText(kSettings, "Fader 1", std::to_string(m_top[0]));
    setRegText(kSettings, "Fader 2", std::to_string(m_top[1]));
    setRegText(kSettings, "Fader 3", std::to_string(m_headphoneTop));
}

} // namespace klv::app

#include "app/decks/master_eq_presets.h"

#include "app/shell/registry_text.h"

#include "klv3.h"

#include <algorithm>
#include <string>

namespace klv::app::eqpresets {

namespace {

constexpr const char* kSubkey = "Equalizer";

std::string nameKey(int n) {
    return std::to_string(n) + ": Name";
}

std::string bandKey(int n, int band) {
    return std::to_string(n) + ": Band " + std::to_string(band + 1);
}

void setCount(int value) {
    setRegText(kSubkey, "Count", std::to_string(value));
}

} // namespace

int count() {
    return std::max(0, numericValue(getRegText(kSubkey, "Count", "0")));
}

QString name(int n) {
    return QString::fromStdString(getRegText(kSubkey, nameKey(n).c_str(), "Untitled"));
}

Bands bands(int n) {
    Bands values{};
    for (int b = 0; b < kBands; ++b) {
        const int stored = numericValue(getRegText(kSubkey, bandKey(n, b).c_str(), "0"));
        values[static_cast<size_t>(b)] = std::clamp(stored, kMinValue, kMaxValue);
    }
    return values;
}

void write(int n, const QString& presetName, const Bands& values) {
    if (n >= 1)
        setRegText(kSubkey, nameKey(n).c_str(), presetName.toStdString());
    for (int b = 0; b < kBands; ++b)
        setRegText(kSubkey, bandKey(n, b).c_str(), std::to_string(values[static_cast<size_t>(b)]));
}

int find(const QString& presetName) {
    const int last = count();
    for (int n = 1; n <= last; ++n) {
        if (name(n) == presetName)
            return n;
    }
    return 0;
}

int append(const QString& presetName, const Bands& values) {
    const int n = count() + 1;
    write(n, presetName, values);
    setCount(n);
    return n;
}

bool remove(int n) {
    const int last = count();
    if (n < 1 || n > last)
        return false;
    for (int k = n; k < last; ++k)
        write(k, name(k + 1), bands(k + 1));
    klvDelReg(kSubkey, nameKey(last).c_str());
    for (int b = 0; b < kBands; ++b)
        klvDelReg(kSubkey, bandKey(last, b).c_str());
    setCount(last - 1);
    return true;
}

} // namespace klv::app::eqpresets

#include "app/shell/registry_text.h"

#include "klv3.h"

#include <cstring>
#include <limits>

namespace klv::app {

namespace {

constexpr int32_t kReadBuffer = 255;

} // namespace

std::string getRegText(const char* subkey, const char* name, std::string_view defaultText) {
    char buffer[kReadBuffer];
    if (klvGetReg(subkey, name, buffer, kReadBuffer) < 0)
        return std::string(defaultText);
    // The engine zero-fills the buffer behind the value; a value without a zero byte in the
    // buffer is the full 255 bytes and reads as empty, as the store's older readers saw it.
    const void* nul = std::memchr(buffer, '\0', kReadBuffer);
    if (!nul)
        return std::string();
    return std::string(buffer, static_cast<const char*>(nul) - buffer);
}

void setRegText(const char* subkey, const char* name, std::string_view text) {
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return;
    klvSetReg(subkey, name, text.data(), static_cast<int32_t>(text.size()));
}

int32_t numericValue(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit)
            value = kLimit; // saturate; further digits cannot bring it back
    }
    if (negative)
        return static_cast<int32_t>(-value); // -2^31 fits
    return value >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
}

} // namespace klv::app

#include "engine/core/app_settings.h"

#include "engine/core/log.h"
#include "klv3.h"
#include "platform/store/settings_store.h"

#include <cstring>
#include <mutex>

namespace klv::engine {

namespace {

void storeNotice(const char* text) {
    logEntry("%s", text);
}

} // namespace

std::optional<std::string> appKeyPath(const char* subkey) {
    if (!subkey)
        return std::nullopt;
    // The key path always had a fixed 100-byte home; a longer one is refused rather than cut,
    // so two long subkeys can never end up naming the same key.
    constexpr size_t kPrefix = sizeof(KLV_APP_KEY) - 1;
    const size_t length = std::strlen(subkey);
    if (kPrefix + length > kMaxKeyPath)
        return std::nullopt;
    std::string path;
    path.reserve(kPrefix + length);
    path.append(KLV_APP_KEY, kPrefix).append(subkey, length);
    return path;
}

void attachStore() {
    static std::once_flag once;
    std::call_once(once, [] { platform::setDiagnosticSink(&storeNotice); });
}

} // namespace klv::engine

// The settings store as the program sees it: binary values under the application key and
// string values under any root key.

#include "engine/core/app_settings.h"
#include "klv3.h"
#include "platform/store/settings_store.h"

#include <cstring>
#include <string_view>
#include <vector>

using klv::platform::RegResult;
using klv::platform::RegType;

namespace {

// Copies a value into the caller's buffer and zero-fills the rest of it, so the caller never
// sees bytes of an earlier, longer value. The caller has checked that it fits.
void fillBuffer(const std::vector<uint8_t>& data, void* buffer, int32_t size) {
    auto* out = static_cast<uint8_t*>(buffer);
    if (!data.empty())
        std::memcpy(out, data.data(), data.size());
    std::memset(out + data.size(), 0, static_cast<size_t>(size) - data.size());
}

} // namespace

extern "C" KLV_API int32_t klvGetReg(const char* subkey, const char* name, void* buffer,
                                     int32_t size) {
    const auto key = klv::engine::appKeyPath(subkey);
    if (!key || !name || !buffer || size < 0)
        return -1;
    klv::engine::attachStore();
    std::vector<uint8_t> data;
    if (klv::platform::regReadValue(KLV_HKEY_LOCAL_MACHINE, *key, name, data) != RegResult::Ok)
        return -1;
    if (data.size() > static_cast<size_t>(size))
        return -1;
    fillBuffer(data, buffer, size);
    return static_cast<int32_t>(data.size());
}

extern "C" KLV_API int32_t klvSetReg(const char* subkey, const char* name, const void* data,
                                     int32_t size) {
    const auto key = klv::engine::appKeyPath(subkey);
    if (!key || !name || size < 0 || (!data && size > 0))
        return -1;
    klv::engine::attachStore();
    const RegResult result = klv::platform::regWriteValue(
        KLV_HKEY_LOCAL_MACHINE, *key, name, RegType::Binary, data, static_cast<size_t>(size));
    return result == RegResult::Ok ? 0 : -1;
}

extern "C" KLV_API int32_t klvDelReg(const char* subkey, const char* name) {
    const auto key = klv::engine::appKeyPath(subkey);
    if (!key || !name)
        return -1;
    klv::engine::attachStore();
    return klv::platform::regDeleteValue(KLV_HKEY_LOCAL_MACHINE, *key, name) == RegResult::Ok ? 0
                                                                                              : -1;
}

extern "C" KLV_API int32_t klvGetRegString(uint32_t rootKey, const char* keyPath, const char* name,
                                           char* buffer, int32_t size) {
    if (!keyPath)
        return -1;
    klv::engine::attachStore();
    if (!klv::platform::regKeyExists(rootKey, keyPath))
        return -1;
    if (!name || !buffer || size < 0)
        return -2;
    std::vector<uint8_t> data;
    const RegResult result = klv::platform::regReadValue(rootKey, keyPath, name, data);
    if (result == RegResult::NoKey)
        return -1;
    if (result != RegResult::Ok || data.size() > static_cast<size_t>(size))
        return -2;
    fillBuffer(data, buffer, size);
    return static_cast<int32_t>(data.size());
}

extern "C" KLV_API int32_t klvSetRegString(uint32_t rootKey, const char* keyPath, const char* name,
                                           const char* text, int32_t length) {
    if (!keyPath)
        return -1;
    klv::engine::attachStore();
    if (klv::platform::regCreateKey(rootKey, keyPath) != RegResult::Ok)
        return -1;
    if (!name || !text || length < 0)
        return -2;
    const size_t bytes = length == 0 ? std::strlen(text) : static_cast<size_t>(length);
    const RegResult result =
        klv::platform::regWriteValue(rootKey, keyPath, name, RegType::String, text, bytes);
    return result == RegResult::Ok ? 0 : -2;
}

// The host services of klv_plugin.h: the settings store and message boxes for plug-ins, as
// plain C over the platform's own interfaces.

#include "klv_plugin.h"
#include "platform/store/settings_store.h"
#include "platform/ui/window_system.h"

#include <cstring>
#include <vector>

using namespace klv::platform;

extern "C" {

int32_t klvHostReadValue(uint32_t rootKey, const char* keyPath, const char* name, void* buffer,
                         int32_t size, uint32_t* type) {
    if (keyPath == nullptr || name == nullptr || size < 0 || (size > 0 && buffer == nullptr))
        return -4;
    std::vector<uint8_t> data;
    RegType kind = RegType::Binary;
    switch (regReadValue(rootKey, keyPath, name, data, &kind)) {
    case RegResult::Ok:
        break;
    case RegResult::NoKey:
        return -1;
    case RegResult::NoValue:
        return -2;
    default:
        return -4;
    }
    if (data.size() > static_cast<size_t>(size))
        return -3;
    if (!data.empty())
        std::memcpy(buffer, data.data(), data.size());
    if (type != nullptr)
        *type = static_cast<uint32_t>(kind);
    return static_cast<int32_t>(data.size());
}

int32_t klvHostWriteValue(uint32_t rootKey, const char* keyPath, const char* name, uint32_t type,
                          const void* data, int32_t size) {
    if (keyPath == nullptr || name == nullptr || size < 0 || (size > 0 && data == nullptr))
        return -1;
    if (type != KLV_REG_STRING && type != KLV_REG_BINARY)
        return -1;
    return regWriteValue(rootKey, keyPath, name, static_cast<RegType>(type), data,
                         static_cast<size_t>(size)) == RegResult::Ok
               ? 0
               : -1;
}

int32_t klvHostMessageBox(KlvWindow owner, const char* text, const char* caption, uint32_t flags) {
    return windowSystem().messageBox(owner, text ? text : "", caption ? caption : "",
                                     flags & (kMbButtonMask | kMbIconMask));
}

} // extern "C"

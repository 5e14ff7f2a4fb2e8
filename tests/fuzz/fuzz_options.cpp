// The stored "Options" value holding arbitrary bytes (of any length, binary or text) and read
// by klvLoadOptions: a value that fits is taken with the rest of the record zero, a longer one
// is refused and leaves a zero record; saving what was loaded stores the same record.

#include "engine/core/options_copy.h"
#include "klv3.h"
#include "platform/store/settings_store.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>
#include <memory>

namespace {

using klv::fuzz::require;

bool allZero(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace klv::platform;
    if (size == 0)
        return 0;
    const RegType type = (data[0] & 1) != 0 ? RegType::String : RegType::Binary;
    const uint8_t* value = data + 1;
    const size_t length = size - 1;
    if (regWriteValue(kHkeyLocalMachine, KLV_APP_KEY "Settings", "Options", type, value, length) !=
        RegResult::Ok)
        return 0;

    auto record = std::make_unique<OptionsRecord>();
    const auto* bytes = reinterpret_cast<const uint8_t*>(record.get());
    if (klvLoadOptions(record.get(), 0) != 0) {
        require(length == 0 || length > KLV_OPTIONS_SIZE, "a value that fits is loaded");
        require(allZero(bytes, KLV_OPTIONS_SIZE), "a refused value leaves a zero record");
        return 0;
    }
    require(length > 0 && length <= KLV_OPTIONS_SIZE, "only a value that fits is loaded");
    require(std::memcmp(bytes, value, length) == 0, "the stored bytes are loaded as they are");
    require(allZero(bytes + length, KLV_OPTIONS_SIZE - length), "missing fields are zero");
    const OptionsRecord copy = klv::engine::optionsSnapshot();
    require(std::memcmp(&copy, record.get(), KLV_OPTIONS_SIZE) == 0,
            "the engine's copy is the loaded record");

    require(klvSaveOptions(record.get()) == 0, "a loaded record can be saved");
    auto again = std::make_unique<OptionsRecord>();
    require(klvLoadOptions(again.get(), 0) == 0, "a saved record loads");
    require(std::memcmp(record.get(), again.get(), KLV_OPTIONS_SIZE) == 0,
            "saving a loaded record keeps it");
    return 0;
}

// The OptionsRecord between the program, the engine's copy and the stored "Options" value.

#include "engine/core/options_copy.h"
#include "engine/core/user_message.h"
#include "klv3.h"

#include <cstring>

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kOptions = "Options";

} // namespace

extern "C" KLV_API int32_t klvLoadOptions(OptionsRecord* record, KlvWindow owner) {
    klv::engine::setOwnerWindow(owner);
    if (!record)
        return -1;
    std::memset(record, 0, sizeof(*record));
    // A value longer than the record is refused whole (-1) and an empty one counts as
    // missing; a shorter one is an older record whose later fields stay zero.
    if (klvGetReg(kSettings, kOptions, record, KLV_OPTIONS_SIZE) <= 0) {
        std::memset(record, 0, sizeof(*record));
        return -1;
    }
    klv::engine::replaceOptions(*record);
    return 0;
}

extern "C" KLV_API int32_t klvSaveOptions(const OptionsRecord* record) {
    if (!record)
        return -1;
    klv::engine::replaceOptions(*record);
    return klvSetReg(kSettings, kOptions, record, KLV_OPTIONS_SIZE) == 0 ? 0 : -1;
}

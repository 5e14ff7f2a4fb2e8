#pragma once
// The engine's private copy of the OptionsRecord. The ui thread replaces it in klvLoadOptions
// and klvSaveOptions; the engine's threads read single fields without a lock and see either
// the old or the new value of each 32-bit field.

#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// Reads one 32-bit field of the copy, e.g. option(&OptionsRecord::TimeScale). [any thread]
int32_t option(int32_t OptionsRecord::*field);
// Writes one 32-bit field of the copy (the output thread's one-device rule). [any thread]
void setOption(int32_t OptionsRecord::*field, int32_t value);
// Replaces the whole copy, field by field. [ui-thread]
void replaceOptions(const OptionsRecord& record);
// A snapshot of the copy (tests, text fields). [any thread]
OptionsRecord optionsSnapshot();

} // namespace klv::engine

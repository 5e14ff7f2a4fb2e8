#pragma once
// The song equalizer: five bands on a line's source frames as they leave its sample ring,
// with the line's own levels (songEq) and filter state (songEqState). A flat setting costs
// nothing: the frames stay as they are and the state is cleared.

#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// Processes count frames (count may be 0) in place. [output thread]
void processSongEq(LineSlot& slot, Frame* frames, int32_t count);

} // namespace klv::engine

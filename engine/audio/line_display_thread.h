#pragma once
// The display thread of an open line: draws the line's LCD into the handle's displayDC every
// 5 ms while the line plays and every 25 ms otherwise, until the handle's state becomes 0, its
// displayDC is cleared, or the line's threads are restarted.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// The body of the thread, started with the line's other threads; generation is the start it
// belongs to (lineGeneration). Ends at once, without touching the slot's displayRunning, when
// the display has nothing to draw into or its start is no longer the current one; otherwise
// sets displayRunning for as long as it runs. [its own thread]
void runLineDisplay(LineHandle* h, LineSlot* slot, uint32_t generation);

// Remain mode of every line display: non-zero shows the remaining time with a minus sign, 0 the
// elapsed time. [any thread]
void setRemainMode(int32_t mode);
bool remainMode();

} // namespace klv::engine

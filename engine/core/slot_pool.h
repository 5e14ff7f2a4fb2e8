#pragma once
// The table of 24 LineSlots.

#include "engine/core/line_slot.h"

namespace klv::engine {

// The table itself; index 0..kLineSlotCount-1.
LineSlot* slotTable();

// Takes the lowest free slot, clears it and returns it; null when all 24 are taken. The first
// call of the process clears the whole table once more. [ui-thread]
LineSlot* takeSlot();

// Clears a slot to zero, which frees it (its sampleRing becomes null). The caller has freed the
// buffers and stopped the line's threads. [ui-thread]
void clearSlot(LineSlot& slot);

} // namespace klv::engine

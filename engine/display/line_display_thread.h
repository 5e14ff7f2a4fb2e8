#pragma once
// The display thread of an open line: draws the line's LCD into the handle's displayDC every
// 5 ms while the line plays and every 25 ms otherwise, until the handle's state becomes 0, its
// displayDC is cleared, or the line's threads are restarted.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// Starts the display thread of a line whose other threads are being started; generation is
// that start (lineGeneration). Without a display context, a slot or an open state no thread is
// started. Otherwise the slot's displayRunning is set here, before the thread exists, so that
// a stop that follows at once still waits for the thread, which clears it as its last act; a
// thread that cannot be made leaves it clear. [ui-thread, transport lock held]
void startLineDisplay(LineHandle* h, LineSlot* slot, uint32_t generation);

// Remain mode of every line display: non-zero shows the remaining time with a minus sign, 0 the
// elapsed time. [any thread]
void setRemainMode(int32_t mode);
bool remainMode();

} // namespace klv::engine

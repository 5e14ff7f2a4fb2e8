#pragma once
// Steps the transport calls share. All run on the ui thread (or a failing decoder's stop) with
// the transport lock held.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// playing = 0, then the line's threads stopped.
void stopPlayingAndThreads(LineHandle* h, LineSlot& slot);

// Frees the slot's buffers, clears it and detaches it from the handle.
void releaseSlot(LineHandle* h, LineSlot& slot);

// Closes the handle's file (when one is open) and sets file to 0.
void closeLineFile(LineHandle* h);

// Closes and opens fileName again; false (file 0) when it cannot be opened now; the reader
// then keeps trying.
bool reopenLineFile(LineHandle* h);

// Level histories, time-stretch state and all four ring indices back to their start.
void clearStreamState(LineSlot& slot);

// The byte-rate average starts again from one frame.
void restartByteRate(LineSlot& slot, int32_t byteRate);

// Destroys the handle's decoder instance (MP3 or coded) and sets decoder to null. [the line's
// threads not running]
void releaseLineDecoder(LineHandle* h);

// klvClose's work.
void closeLocked(LineHandle* h);

} // namespace klv::engine

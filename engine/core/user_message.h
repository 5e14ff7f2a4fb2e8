#pragma once
// How the engine tells the user about a problem.
//
// [thread-safe] Both calls block the calling thread until the program has handled them, so
// the output thread never makes them: it leaves them to the housekeeping thread.

#include "klv3.h"

namespace klv::engine {

// Formats the text (cut at 255 characters) and sends it as message 1025 with a UserMessage
// (level 2, help context 0) to the owner window given to klvLoadOptions. Before an owner is
// known the message reaches nobody. Always returns -1, which callers return as their failure.
int32_t sendUserMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats the text (up to 2047 characters) and shows a modal box owned by the owner window,
// caption "KLV3 Message", exclamation icon, OK button.
void showMessageBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The owner window remembered by klvLoadOptions (0 before).
KlvWindow ownerWindow();
void setOwnerWindow(KlvWindow window);

} // namespace klv::engine

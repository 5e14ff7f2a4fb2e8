#pragma once
// What a file is: the program's question (klvWhatIsIt, which also knows playlists) and the
// check a line makes when it opens a file.

#include "engine/core/line_slot.h"
#include "engine/core/transport_message.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// Opens a path for reading as the engine's lines and probes do: read-only, close-on-exec,
// without blocking on a FIFO, sequential read-ahead. Only regular files are accepted: a
// directory, device or pipe gives -1 with errno EISDIR or ENODEV. The descriptor is never 0,
// which the LineHandle reserves for "no file". [thread-safe]
int openAudioFile(const char* path);

// Size of an open file in bytes, -1 on failure.
int64_t audioFileSize(int fd);

// Classifies the file open on the line (h->file) and fills the slot's format fields: WAV
// header checks, or for anything else the line's MP3 decoder (h->decoder) and the first frame.
// The file is left positioned where the reader starts. 0, or -1 with the user's message in
// message (unless h->quiet) and, for an unknown type, a log line. [ui-thread]
int32_t detectFileType(LineHandle* h, LineSlot& slot, DeferredMessage& message);

} // namespace klv::engine

#pragma once
// One decode step of an MP3 line: feeds the line's decoder from the FileRing in pieces of at
// most 1024 bytes until it delivers a frame or the ring runs dry, converts 32000 and 48000 per
// second to 44100 and writes the frames into the SampleRing.

#include "engine/core/line_slot.h"
#include "engine/core/mp3_decoder.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// Largest piece of the FileRing fed per decoder request.
constexpr int32_t kMp3FeedPiece = 1024;

// The decoder thread's output buffer for one request.
struct Mp3Scratch {
    Frame output[Mp3Decoder::kOutputRoomBytes / sizeof(Frame)];
};

// 0 when a frame was delivered or more input is needed; -1 when the stream is corrupt (after
// logging "Corrupt MP3 File: <path>" and, unless the handle is quiet, telling the user). The
// caller makes sure the SampleRing has room for a converted frame. [the line's decoder thread]
int32_t decodeMp3Step(LineHandle* h, LineSlot& slot, Mp3Decoder& decoder, Mp3Scratch& scratch);

} // namespace klv::engine

#pragma once
// The threads of an open line: the reader copies file bytes into the FileRing, the decoder
// turns them into frames in the SampleRing, the display thread draws the line's time display.
// They run until the handle's state becomes 0.
//
// Start and stop are called by the transport calls with the transport lock held
// (transport.h). A thread may send a message to the program while it holds its running flag:
// the stop's wait for the flags serves the program's requests meanwhile.

#include "engine/core/line_slot.h"
#include "engine/core/mp3_decode_step.h"
#include "engine/core/wav_convert.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// Reader block size, and how long the stop and start waits poll before they give up or warn.
constexpr int32_t kReaderBlock = 8192;
constexpr uint32_t kThreadWaitMs = 490;

// Starts the reader, decoder and display thread, in this order, and waits until the reader and
// the decoder run (at most about 490 ms; the caller continues in any case).
void startLineThreads(LineHandle* h);

// Sets state to 0 and waits until all three threads have ended. The line's buffers must not be
// released or reset before this returns. Also makes a failing decoder's pending stop void.
void stopLineThreads(LineHandle* h);

// Which start of the line's threads is current; a failing decoder stops the line only when the
// threads it belongs to are still the current ones. [transport lock held]
uint32_t lineGeneration(const LineSlot& slot);

// After a decoding failure the line is rewound and its new decoder holds off until the program
// starts, moves, stops or reopens the line; otherwise a file that is corrupt near its start
// would fail, rewind and fail again, with a message each time, as long as it stays cued.
void holdDecoding(const LineSlot& slot, bool hold);
bool decodingHeld(const LineSlot& slot);

// How often the reader has started the file again since the line was opened, stopped or moved
// (0 for slots outside the table).
int32_t loopRestarts(const LineSlot& slot);
void countLoopRestart(const LineSlot& slot);
void resetLoopRestarts(const LineSlot& slot);

// One pass of the reader; returns how many milliseconds to sleep before the next.
uint32_t readerPass(LineHandle* h, LineSlot& slot);

// The decoder's state from one start of the thread to its end.
struct DecoderRun {
    float threshold = 0.0f;  // silence level, read once at the start
    bool skipPending = true; // leading silence not yet skipped
    int32_t burst = 0;       // decode steps since the last rest
    // The last decode step that ran took no bytes and made no frames: what is left in the
    // FileRing (a partial frame, a tag, garbage) will never become sound.
    bool stepIdle = false;
};

// One pass of the decoder: decodes (at most one step), skips leading silence and marks the
// song finished. Returns the milliseconds to sleep, kDecoderPassFailed when the decode step
// failed, kDecoderPassDone once the song is finished.
constexpr int32_t kDecoderPassFailed = -1;
constexpr int32_t kDecoderPassDone = -2;
int32_t decoderPass(LineHandle* h, LineSlot& slot, DecoderRun& run, WavScratch& wav,
                    Mp3Scratch& mp3);

// The silence skip and the end-of-song check of a decoder pass, on their own.
void skipLeadingSilence(LineHandle* h, LineSlot& slot, DecoderRun& run);
void checkFinished(LineHandle* h, LineSlot& slot, const DecoderRun& run);

} // namespace klv::engine

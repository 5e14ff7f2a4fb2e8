#pragma once
// A line driven by hand: the open check of a file, then the reader's and the decoder's passes
// in turn on this thread, with the SampleRing drained as the output thread would. The same
// code the line's threads run, but in a fixed order, so an input always takes the same path.

#include "engine/core/line_slot.h"
#include "engine/core/mp3_decode_step.h"
#include "engine/core/wav_convert.h"
#include "klv3.h"

#include <cstdint>

namespace klv::fuzz {

class FuzzLine {
public:
    FuzzLine();
    ~FuzzLine();
    FuzzLine(const FuzzLine&) = delete;
    FuzzLine& operator=(const FuzzLine&) = delete;

    // Takes a slot, opens path and classifies it as klvOpen does. false when the file is
    // refused (the slot is then free again).
    bool open(const char* path);

    // Reader and decoder passes until the song has played out, decoding fails or maxPasses
    // have run. Every frame taken from the SampleRing must be a finite number.
    void play(int32_t maxPasses);

    // Closes the file, drops the decoder and frees the slot.
    void close();

    LineHandle& handle() { return m_handle; }
    LineSlot& slot() { return *m_slot; }

private:
    LineHandle m_handle{};
    LineSlot* m_slot = nullptr;
    char m_name[KLV_PATH_BUFFER] = {};
};

} // namespace klv::fuzz

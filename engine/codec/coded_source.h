#pragma once
// CodedSource: one line's audio through FFmpeg (FLAC, ALAC and AAC in MP4, Ogg Vorbis, Opus,
// AIFF and the WAV files the PCM path refuses), held in LineHandle.decoder.
//
// The line's threads keep their roles: the reader demuxes the file (libavformat over the
// line's descriptor, which is the reader's I/O) and writes each packet of the audio stream as a
// record into the FileRing (coded_records.h); the decoder decodes the records (libavcodec),
// converts them to 44100 frames per second of float stereo (libswresample; mono goes to both
// channels at full level, more channels are mixed down) and writes them into the SampleRing.
// Memory per line stays bounded: the FileRing and SampleRing of every line, the demuxer's
// index and one decoded packet.
//
// Position is exact to the frame: the decoder counts the frames it has produced from the
// song's start, and frames = produced - frames still in the SampleRing. Seeking decodes from a
// little before the target and drops samples up to it.
//
// Thread contract: open, destroy and restartAt run on the ui thread while the line's threads
// are stopped; readPass runs on the reader thread only, decodeStep on the decoder thread only;
// position and drained may be read from any thread.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace klv::engine {

// What the container says about the stream, filled in by open.
struct CodedFormat {
    int32_t channels = 0;
    int32_t sampleRate = 0;    // the file's own rate
    int32_t bitsPerSample = 0; // of the coded samples where the format has them, else 16
    int32_t byteRate = 0;      // bytes of file per second of sound
    int64_t lengthFrames = 0;  // at 44100; 0 when the container does not know
};

// What a reader pass did.
enum class CodedReadResult {
    Rest,     // records written (or the end handled): read again soon
    RingFull, // the FileRing has no room for the next record
    HalfFile, // the FileRing holds half of a short file already
    IoFailed, // a read of the file failed (not its end): close it, reopen by path
};

class CodedSource {
public:
    // Opens the stream on fd (positioned anywhere) with the named libavformat demuxer
    // (codedContainer's answer); null when it is not audio that FFmpeg decodes, with a short
    // reason in why. Leaves fd wherever the probe left it. [ui-thread]
    static CodedSource* open(int fd, const char* container, CodedFormat& format, const char*& why);
    static void destroy(CodedSource* source);

    CodedSource(const CodedSource&) = delete;
    CodedSource& operator=(const CodedSource&) = delete;

    // The next reader pass seeks to frame (at 44100) and the decoder starts there, its
    // buffers, the resampler and the records of the old position dropped. [ui-thread, the
    // line's threads stopped]
    void restartAt(int64_t frame);

    // One pass of the reader on fd (h->file, which changes when the file was reopened; a new
    // descriptor makes the demuxer go on from the last packet it delivered). [reader thread]
    CodedReadResult readPass(LineHandle* h, LineSlot& slot, int fd);

    // One decode step: records from the FileRing into the SampleRing while it has room for a
    // step's output. 0, or -1 when the stream is damaged beyond playing on (logged).
    // [decoder thread]
    int32_t decodeStep(LineHandle* h, LineSlot& slot);

    // The line's position in frames: produced frames less those still in the SampleRing.
    // Negative shortly after a loop restart (frames of the previous pass still buffered).
    // [any thread]
    int64_t position(const LineSlot& slot) const;

    // The End record has been decoded and everything it left written. [any thread]
    bool drained() const { return m_drained.load(std::memory_order_acquire); }

    struct Demuxer;
    struct Decoder;

private:
    CodedSource();
    ~CodedSource();

    void publishProduced(int64_t produced, int32_t sampleWrite);

    std::unique_ptr<Demuxer> m_demuxer; // reader thread
    std::unique_ptr<Decoder> m_decoder; // decoder thread
    // The produced count (upper 48 bits) with the SampleRing write index it belongs to (lower
    // 16), stored together so that a reader of the position never pairs a count with a ring
    // state of another moment.
    std::atomic<uint64_t> m_produced{0};
    std::atomic<bool> m_drained{false};
};

static_assert(kSampleRingFrames == 65536, "the produced count packs the ring index in 16 bits");

} // namespace klv::engine

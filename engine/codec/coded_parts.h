#pragma once
// The two halves of a CodedSource, each used by one thread: the demuxer (reader thread) and
// the decoder (decoder thread). Internal to engine/codec.

#include "engine/codec/coded_records.h"
#include "engine/codec/coded_source.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <cstdint>

namespace klv::engine {

// Output frames of one resampler call, and the SampleRing room a decode step keeps free.
constexpr int32_t kCodedOutputFrames = 4096;

struct CodedSource::Demuxer {
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    AVPacket* packet = nullptr;
    int streamIndex = -1;
    AVRational timeBase{1, 44100};
    int32_t sampleRate = 44100;
    int64_t startTime = 0;      // of the stream, in its time base
    int64_t prerollSamples = 0; // decoded ahead of a seek target so a lossy decoder settles

    int fd = -1;             // the descriptor the I/O callbacks read
    bool ioFailed = false;   // a read failed since the last pass began
    bool havePacket = false; // packet holds a record not yet written
    bool atEnd = false;      // av_read_frame reported the end
    bool endWritten = false;
    bool needResume = false; // a read failed: the next pass starts the demuxer again
    bool broken = false;     // the demuxer stopped at damage, not at the end
    bool loopFailed = false; // a seek back to the start failed: the line plays out instead
    bool seekPending = false;
    int64_t seekSample = 0; // at the file's rate
    // Reopened after a read error: packets up to the last one delivered are dropped.
    bool resuming = false;
    int64_t resumePts = INT64_MIN; // first pts not yet delivered
    int64_t nextPts = INT64_MIN;

    ~Demuxer();
    bool seekToSample(int64_t sample);
    // Reads the next packet of the audio stream into packet; 0, AVERROR_EOF or an error.
    int readPacket();
};

struct CodedSource::Decoder {
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    // Buffers for one record's packet data with FFmpeg's padding, handed to the decoder as
    // counted references, so it takes a packet without copying it; a buffer comes back when
    // the decoder lets go of it, and is used again without another allocation.
    AVBufferPool* payloads = nullptr;
    AVRational timeBase{1, 44100};
    int64_t startTime = 0;

    // The resampler's input as configured; a frame in another format re-creates it.
    int32_t inRate = 0;
    AVChannelLayout frameLayout{}; // as the frames give it
    AVChannelLayout inLayout{};    // as the resampler takes it (an unspecified order made default)
    int inFormat = -1;

    // The frame being converted, and how many of its samples are done.
    bool frameHeld = false;
    int32_t frameOffset = 0;
    int64_t nextSample = 0; // at the file's rate: where the next decoded frame begins
    int64_t skipUntil = 0;  // samples before this are dropped (seek target)
    int64_t produced = 0;   // frames at 44100 since the song's start
    int32_t errorsInARow = 0;
    bool fromStart = true;       // decoding began at the song's start: its end gives the length
    bool endPending = false;     // an End record came: drain the decoder and the resampler
    bool restartPending = false; // a Restart record came: drain the decoder, then start over
    bool ended = false;          // End decoded and drained

    Frame output[kCodedOutputFrames];
    // Resampled frames that did not fit the SampleRing yet.
    int32_t pendingFrom = 0;
    int32_t pendingTo = 0;

    ~Decoder();
    bool configure(const AVFrame& from);
    void reset(int64_t frame44);
};

} // namespace klv::engine

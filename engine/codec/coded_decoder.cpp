// A coded line's decoder thread: records from the FileRing through libavcodec and
// libswresample into the SampleRing.

#include "engine/audio/sample_ring.h"
#include "engine/codec/coded_parts.h"
#include "engine/core/log.h"
#include "engine/core/mp3_decoder.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

namespace klv::engine {

namespace {

constexpr int32_t kOutputRate = 44100;
// Packets in a row that fail to decode before the stream counts as damaged; one bad packet
// is a short dropout, not the end of the song.
constexpr int32_t kErrorBudget = 16;
// Frames a decode step writes at most, so a step stays short.
constexpr int32_t kStepFrames = 2 * kCodedOutputFrames;
constexpr int kMaxPlanes = 64;

const char* pathOf(const LineHandle* h) {
    return h->fileName != nullptr ? h->fileName : "";
}

int32_t damaged(const LineHandle* h, const char* what, int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof(text));
    logEntry("Corrupt audio stream (%s: %s): %s", what, text, pathOf(h));
    return -1;
}

} // namespace

CodedSource::Decoder::~Decoder() {
    avcodec_free_context(&codec);
    swr_free(&resampler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    av_buffer_pool_uninit(&payloads);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&frameLayout);
}

void CodedSource::Decoder::reset(int64_t frame44) {
    if (codec != nullptr)
        avcodec_flush_buffers(codec);
    swr_free(&resampler);
    inFormat = -1;
    if (frame != nullptr)
        av_frame_unref(frame);
    frameHeld = false;
    frameOffset = 0;
    nextSample = 0;
    skipUntil = 0;
    produced = std::max<int64_t>(frame44, 0);
    errorsInARow = 0;
    fromStart = frame44 <= 0;
    endPending = false;
    restartPending = false;
    ended = false;
    pendingFrom = 0;
    pendingTo = 0;
}

// The resampler for frames like this one: to 44100 float stereo, with soxr's filters where the
// rate changes. Mono goes to both channels at its own level (libswresample's default would
// take it for a centre channel, 3 dB down); more channels are mixed down by their layout,
// normalised so the sum cannot clip.
bool CodedSource::Decoder::configure(const AVFrame& from) {
    swr_free(&resampler);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&frameLayout);
    if (av_channel_layout_copy(&frameLayout, &from.ch_layout) < 0)
        return false;
    if (from.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
        av_channel_layout_check(&from.ch_layout) == 0)
        av_channel_layout_default(&inLayout, from.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&inLayout, &from.ch_layout) < 0)
        return false;
    if (inLayout.nb_channels <= 0 || inLayout.nb_channels > kMaxPlanes || from.sample_rate <= 0)
        return false;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    for (const bool soxr : {true, false}) {
        swr_free(&resampler);
        if (swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_FLT, kOutputRate, &inLayout,
                                static_cast<AVSampleFormat>(from.format), from.sample_rate, 0,
                                nullptr) < 0)
            return false;
        if (from.sample_rate != kOutputRate) {
            if (soxr) {
                av_opt_set(resampler, "resampler", "soxr", 0);
                av_opt_set_double(resampler, "precision", 28.0, 0);
            } else {
                // libswresample's own filter at its best settings.
                av_opt_set_int(resampler, "filter_size", 64, 0);
                av_opt_set_int(resampler, "phase_shift", 10, 0);
                av_opt_set_double(resampler, "cutoff", 0.97, 0);
            }
        }
        // A mix-down normalised so that the same signal in every channel keeps its level.
        av_opt_set_double(resampler, "rematrix_maxval", 1.0, 0);
        if (inLayout.nb_channels == 1) {
            const double toBoth[2] = {1.0, 1.0};
            swr_set_matrix(resampler, toBoth, 1);
        }
        if (swr_init(resampler) >= 0) {
            inRate = from.sample_rate;
            inFormat = from.format;
            return true;
        }
    }
    swr_free(&resampler);
    return false;
}

int32_t CodedSource::decodeStep(LineHandle* h, LineSlot& slot) {
    Decoder& c = *m_decoder;
    int32_t written = 0;
    for (;;) {
        // Frames already converted go out first; a step ends when the ring cannot take them.
        if (c.pendingTo > c.pendingFrom) {
            const int32_t n =
                sampleRingWrite(h, c.output + c.pendingFrom, c.pendingTo - c.pendingFrom);
            c.pendingFrom += n;
            c.produced += n;
            written += n;
            publishProduced(c.produced, slot.sampleWrite.load(std::memory_order_relaxed));
            if (c.pendingTo > c.pendingFrom)
                return 0;
        }
        if (c.ended) {
            if (c.fromStart && c.produced > 0)
                slot.length.store(static_cast<int32_t>(std::min<int64_t>(c.produced, INT32_MAX)),
                                  std::memory_order_relaxed);
            m_drained.store(true, std::memory_order_release);
            // A looping line started again after its end comes as a Restart record.
            CodedRecordHeader next;
            if (!peekCodedRecord(slot, next) || next.kind != CodedRecordKind::Restart)
                return 0;
            takeCodedRecord(slot, next, nullptr);
            c.reset(0);
            m_drained.store(false, std::memory_order_release);
            publishProduced(0, slot.sampleWrite.load(std::memory_order_relaxed));
            continue;
        }
        if (written >= kStepFrames || sampleRingFree(slot) < kCodedOutputFrames)
            return 0;

        if (c.frameHeld) {
            // One slice of the frame that fits the output buffer at the new rate.
            const AVFrame& f = *c.frame;
            const int32_t left = f.nb_samples - c.frameOffset;
            int32_t slice = std::max<int32_t>(
                static_cast<int32_t>(int64_t{kCodedOutputFrames - 64} * c.inRate / kOutputRate), 1);
            slice = std::min(slice, left);
            while (slice > 1 && swr_get_out_samples(c.resampler, slice) > kCodedOutputFrames)
                slice /= 2;
            const auto format = static_cast<AVSampleFormat>(f.format);
            const int bytes = av_get_bytes_per_sample(format);
            const int channels = f.ch_layout.nb_channels;
            const uint8_t* planes[kMaxPlanes] = {};
            if (av_sample_fmt_is_planar(format)) {
                for (int ch = 0; ch < channels && ch < kMaxPlanes; ++ch)
                    planes[ch] = f.extended_data[ch] + ptrdiff_t{c.frameOffset} * bytes;
            } else {
                planes[0] = f.extended_data[0] + ptrdiff_t{c.frameOffset} * bytes * channels;
            }
            // Converted straight into the SampleRing where it has a slice's room before its
            // end: the frames are then limited in place and published without another copy.
            // Near the end of the storage they go through the output buffer instead.
            const std::span<Frame> room = sampleRingOf(slot).writeSpan();
            const bool inPlace = std::cmp_greater_equal(room.size(), kCodedOutputFrames);
            Frame* target = inPlace ? room.data() : c.output;
            auto* out = reinterpret_cast<uint8_t*>(target);
            const int made = swr_convert(c.resampler, &out, kCodedOutputFrames, planes, slice);
            if (made < 0)
                return damaged(h, "resampling", made);
            c.frameOffset += slice;
            if (c.frameOffset >= f.nb_samples) {
                av_frame_unref(c.frame);
                c.frameHeld = false;
            }
            copyLimitedSamples(&target[0].left, &target[0].left, size_t{2} * made);
            if (inPlace) {
                sampleRingOf(slot).commitWrite(made);
                c.produced += made;
                written += made;
                publishProduced(c.produced, slot.sampleWrite.load(std::memory_order_relaxed));
            } else {
                c.pendingFrom = 0;
                c.pendingTo = made;
            }
            continue;
        }

        const int received = avcodec_receive_frame(c.codec, c.frame);
        if (received == 0) {
            c.errorsInARow = 0;
            const AVFrame& f = *c.frame;
            const int64_t start =
                f.pts != AV_NOPTS_VALUE
                    ? av_rescale_q(f.pts - c.startTime, c.timeBase, AVRational{1, f.sample_rate})
                    : c.nextSample;
            const int64_t drop =
                c.skipUntil > start ? std::min<int64_t>(c.skipUntil - start, f.nb_samples) : 0;
            if (f.nb_samples <= 0 || drop >= f.nb_samples) {
                av_frame_unref(c.frame);
                continue;
            }
            c.skipUntil = INT64_MIN;
            if (c.resampler == nullptr || f.format != c.inFormat || f.sample_rate != c.inRate ||
                av_channel_layout_compare(&f.ch_layout, &c.frameLayout) != 0) {
                if (!c.configure(f))
                    return damaged(h, "format", AVERROR_INVALIDDATA);
            }
            c.frameOffset = static_cast<int32_t>(drop);
            c.frameHeld = true;
            continue;
        }
        if (received == AVERROR_EOF) {
            avcodec_flush_buffers(c.codec);
            if (c.restartPending) {
                // The start follows the end without a gap: the resampler goes on.
                c.restartPending = false;
                c.produced = 0;
                c.nextSample = 0;
                c.skipUntil = 0;
                c.fromStart = true;
                publishProduced(0, slot.sampleWrite.load(std::memory_order_relaxed));
                continue;
            }
            c.endPending = false;
            c.ended = true;
            if (c.resampler != nullptr) {
                auto* out = reinterpret_cast<uint8_t*>(c.output);
                const int made = swr_convert(c.resampler, &out, kCodedOutputFrames, nullptr, 0);
                c.pendingFrom = 0;
                c.pendingTo = std::max(made, 0);
                copyLimitedSamples(&c.output[0].left, &c.output[0].left, size_t{2} * c.pendingTo);
            }
            continue;
        }
        if (received != AVERROR(EAGAIN)) {
            if (++c.errorsInARow >= kErrorBudget)
                return damaged(h, "decoding", received);
            continue;
        }

        // The decoder wants input: the next record.
        CodedRecordHeader record;
        if (c.endPending || c.restartPending || !peekCodedRecord(slot, record))
            return 0;
        if (record.kind == CodedRecordKind::Broken) {
            takeCodedRecord(slot, record, nullptr);
            return damaged(h, "container", AVERROR_INVALIDDATA);
        }
        if (record.kind != CodedRecordKind::Packet) {
            takeCodedRecord(slot, record, nullptr);
            (record.kind == CodedRecordKind::Restart ? c.restartPending : c.endPending) = true;
            avcodec_send_packet(c.codec, nullptr);
            continue;
        }
        if (c.payloads == nullptr)
            c.payloads =
                av_buffer_pool_init(kCodedLargestPacket + AV_INPUT_BUFFER_PADDING_SIZE, nullptr);
        AVBufferRef* payload = c.payloads != nullptr ? av_buffer_pool_get(c.payloads) : nullptr;
        if (payload == nullptr)
            return damaged(h, "memory", AVERROR(ENOMEM));
        takeCodedRecord(slot, record, payload->data);
        std::memset(payload->data + record.size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
        av_packet_unref(c.packet);
        c.packet->buf = payload;
        c.packet->data = payload->data;
        c.packet->size = record.size;
        c.packet->pts = record.pts != INT64_MIN ? record.pts : AV_NOPTS_VALUE;
        c.packet->dts = c.packet->pts;
        c.packet->duration = record.duration;
        if (record.skipStart != 0 || record.discardEnd != 0) {
            if (uint8_t* side = av_packet_new_side_data(c.packet, AV_PKT_DATA_SKIP_SAMPLES, 10)) {
                AV_WL32(side, record.skipStart);
                AV_WL32(side + 4, record.discardEnd);
            }
        }
        const int sent = avcodec_send_packet(c.codec, c.packet);
        av_packet_unref(c.packet);
        if (sent < 0 && sent != AVERROR(EAGAIN) && ++c.errorsInARow >= kErrorBudget)
            return damaged(h, "decoding", sent);
    }
}

} // namespace klv::engine

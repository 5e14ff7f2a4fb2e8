// A coded line's source: opening the stream, the demuxer on the reader thread, restarts and
// the position.

#include "engine/codec/coded_parts.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/log.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <new>

namespace klv::engine {

namespace {

// libavformat reads the file through this much buffer.
constexpr int kIoBufferBytes = 32768;
// What the container's own headers do not say is looked for in at most this much of the file
// and this much of its sound, so an open stays quick whatever the file's length.
constexpr int64_t kProbeBytes = 65536;
constexpr int64_t kAnalyzeMicroseconds = 200000;
// Lossy decoders need some packets before a seek target to produce its sound correctly.
constexpr int64_t kLossyPrerollMs = 100;
constexpr int32_t kMaxChannels = 64;
constexpr int32_t kMaxSampleRate = 768000;

int readFromFile(void* opaque, uint8_t* buffer, int size) {
    auto* demuxer = static_cast<CodedSource::Demuxer*>(opaque);
    for (;;) {
        const ssize_t got = ::read(demuxer->fd, buffer, static_cast<size_t>(size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            demuxer->ioFailed = true;
            return AVERROR(EIO);
        }
        return got == 0 ? AVERROR_EOF : static_cast<int>(got);
    }
}

int64_t seekInFile(void* opaque, int64_t offset, int whence) {
    auto* demuxer = static_cast<CodedSource::Demuxer*>(opaque);
    if ((whence & AVSEEK_SIZE) != 0) {
        struct stat info {};
        return ::fstat(demuxer->fd, &info) == 0 ? static_cast<int64_t>(info.st_size)
                                                : AVERROR(errno);
    }
    const off_t at = ::lseek(demuxer->fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

// FFmpeg's own messages would go to the program's standard error, one per damaged packet.
void silenceLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

int64_t lengthInSamples(const AVFormatContext& format, const AVStream& stream, int32_t rate) {
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0)
        return av_rescale_q(stream.duration, stream.time_base, AVRational{1, rate});
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0)
        return av_rescale(format.duration, rate, AV_TIME_BASE);
    return 0;
}

} // namespace

CodedSource::Demuxer::~Demuxer() {
    av_packet_free(&packet);
    avformat_close_input(&format);
    if (io != nullptr)
        av_freep(&io->buffer);
    avio_context_free(&io);
}

bool CodedSource::Demuxer::seekToSample(int64_t sample) {
    io->eof_reached = 0;
    io->error = 0;
    av_packet_unref(packet);
    havePacket = false;
    const int64_t ts =
        av_rescale_q(std::max<int64_t>(sample, 0), AVRational{1, sampleRate}, timeBase) + startTime;
    if (av_seek_frame(format, streamIndex, ts, AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    // A container without a usable index still starts again from its first audio byte.
    return sample <= 0 && av_seek_frame(format, streamIndex, startTime, AVSEEK_FLAG_ANY) >= 0;
}

int CodedSource::Demuxer::readPacket() {
    for (;;) {
        const int result = av_read_frame(format, packet);
        if (result < 0)
            return result;
        if (packet->stream_index != streamIndex) {
            av_packet_unref(packet);
            continue;
        }
        if (resuming && packet->pts != AV_NOPTS_VALUE && packet->pts < resumePts) {
            av_packet_unref(packet);
            continue;
        }
        resuming = false;
        return 0;
    }
}

CodedSource::CodedSource()
    : m_demuxer(std::make_unique<Demuxer>()), m_decoder(std::make_unique<Decoder>()) {}

CodedSource::~CodedSource() = default;

CodedSource* CodedSource::open(int fd, const char* container, CodedFormat& out, const char*& why) {
    silenceLibraryLog();
    auto* source = new (std::nothrow) CodedSource;
    if (source == nullptr) {
        why = "out of memory";
        return nullptr;
    }
    Demuxer& d = *source->m_demuxer;
    Decoder& c = *source->m_decoder;
    d.fd = fd;
    ::lseek(fd, 0, SEEK_SET);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    d.packet = av_packet_alloc();
    c.packet = av_packet_alloc();
    c.frame = av_frame_alloc();
    d.format = avformat_alloc_context();
    if (buffer != nullptr)
        d.io = avio_alloc_context(buffer, kIoBufferBytes, 0, &d, readFromFile, nullptr, seekInFile);
    else
        why = "out of memory";
    if (d.io == nullptr || d.format == nullptr || d.packet == nullptr || c.packet == nullptr ||
        c.frame == nullptr) {
        if (d.io == nullptr)
            av_free(buffer);
        why = "out of memory";
        destroy(source);
        return nullptr;
    }
    d.format->pb = d.io;
    d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    d.format->probesize = kProbeBytes;
    d.format->max_analyze_duration = kAnalyzeMicroseconds;
    AVDictionary* options = nullptr;
    // The file is the only input: nothing it names (a reference, a playlist entry) is opened.
    av_dict_set(&options, "protocol_whitelist", "none", 0);
    const AVInputFormat* input = av_find_input_format(container);
    const int opened = avformat_open_input(&d.format, "", input, &options);
    av_dict_free(&options);
    if (opened < 0) {
        why = "the container cannot be read";
        destroy(source);
        return nullptr;
    }
    // The container's headers may leave rate and channels to the first packets (raw FLAC,
    // ADTS): then a few of them are looked at, within the probe limits.
    for (unsigned i = 0; i < d.format->nb_streams; ++i) {
        const AVCodecParameters* params = d.format->streams[i]->codecpar;
        if (params->codec_type == AVMEDIA_TYPE_AUDIO &&
            (params->sample_rate <= 0 || params->ch_layout.nb_channels <= 0)) {
            avformat_find_stream_info(d.format, nullptr);
            break;
        }
    }
    const AVCodec* codec = nullptr;
    d.streamIndex = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (d.streamIndex < 0 || codec == nullptr) {
        why = "no audio stream that can be decoded";
        destroy(source);
        return nullptr;
    }
    for (unsigned i = 0; i < d.format->nb_streams; ++i) {
        if (static_cast<int>(i) != d.streamIndex)
            d.format->streams[i]->discard = AVDISCARD_ALL;
    }
    AVStream& stream = *d.format->streams[d.streamIndex];
    c.codec = avcodec_alloc_context3(codec);
    if (c.codec == nullptr || avcodec_parameters_to_context(c.codec, stream.codecpar) < 0) {
        why = "out of memory";
        destroy(source);
        return nullptr;
    }
    c.codec->pkt_timebase = stream.time_base;
    // One thread per line decodes: the line's decoder thread is it.
    c.codec->thread_count = 1;
    if (avcodec_open2(c.codec, codec, nullptr) < 0) {
        why = "the decoder does not accept the stream";
        destroy(source);
        return nullptr;
    }
    const int32_t rate = c.codec->sample_rate;
    const int32_t channels = c.codec->ch_layout.nb_channels;
    if (rate <= 0 || rate > kMaxSampleRate || channels <= 0 || channels > kMaxChannels) {
        why = "no usable sample rate or channel count";
        destroy(source);
        return nullptr;
    }

    d.timeBase = stream.time_base;
    d.sampleRate = rate;
    d.startTime = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->id);
    const bool lossless = descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_LOSSLESS);
    d.prerollSamples = lossless ? 0 : rate * kLossyPrerollMs / 1000;
    c.timeBase = stream.time_base;
    c.startTime = d.startTime;
    c.reset(0);

    const int64_t samples = lengthInSamples(*d.format, stream, rate);
    out.channels = channels;
    out.sampleRate = rate;
    out.bitsPerSample = stream.codecpar->bits_per_raw_sample > 0
                            ? stream.codecpar->bits_per_raw_sample
                            : (stream.codecpar->bits_per_coded_sample > 0 && lossless
                                   ? stream.codecpar->bits_per_coded_sample
                                   : 16);
    out.lengthFrames = samples > 0 ? av_rescale(samples, 44100, rate) : 0;
    int64_t bitRate =
        stream.codecpar->bit_rate > 0 ? stream.codecpar->bit_rate : d.format->bit_rate;
    if (bitRate <= 0 && samples > 0) {
        const int64_t size = avio_size(d.io);
        bitRate = size > 0 ? av_rescale(size * 8, rate, samples) : 0;
    }
    out.byteRate = static_cast<int32_t>(std::clamp<int64_t>(bitRate / 8, 0, INT32_MAX));
    return source;
}

void CodedSource::destroy(CodedSource* source) {
    delete source;
}

void CodedSource::restartAt(int64_t frame) {
    Demuxer& d = *m_demuxer;
    const int64_t sample = av_rescale(std::max<int64_t>(frame, 0), d.sampleRate, 44100);
    av_packet_unref(d.packet);
    d.havePacket = false;
    d.atEnd = false;
    d.endWritten = false;
    d.resuming = false;
    d.needResume = false;
    d.broken = false;
    d.loopFailed = false;
    d.nextPts = INT64_MIN;
    d.seekPending = true;
    d.seekSample = std::max<int64_t>(sample - d.prerollSamples, 0);
    m_decoder->reset(frame);
    m_decoder->skipUntil = sample;
    m_drained.store(false, std::memory_order_release);
    publishProduced(std::max<int64_t>(frame, 0), 0);
}

void CodedSource::publishProduced(int64_t produced, int32_t sampleWrite) {
    m_produced.store((static_cast<uint64_t>(produced) << 16) |
                         static_cast<uint64_t>(sampleWrite & 0xFFFF),
                     std::memory_order_release);
}

int64_t CodedSource::position(const LineSlot& slot) const {
    // Loaded in this order, the write index is at or past both the one stored with the count
    // and the read index: the two distances back from it are what the ring holds.
    const uint64_t packed = m_produced.load(std::memory_order_acquire);
    const int32_t read = slot.sampleRead.load(std::memory_order_acquire);
    const int32_t write = slot.sampleWrite.load(std::memory_order_acquire);
    const auto counted = static_cast<int64_t>(packed >> 16);
    const auto countedAt = static_cast<int32_t>(packed & 0xFFFF);
    const int32_t writtenSince = (write - countedAt) & (kSampleRingFrames - 1);
    const int32_t buffered = (write - read) & (kSampleRingFrames - 1);
    return counted + writtenSince - buffered;
}

CodedReadResult CodedSource::readPass(LineHandle* h, LineSlot& slot, int fd) {
    Demuxer& d = *m_demuxer;
    if (fd != d.fd || d.needResume || d.seekPending) {
        // A descriptor opened again starts at 0, but libavformat's buffer ends where its last
        // read did: the file goes on from there.
        ::lseek(fd, static_cast<off_t>(d.io->pos), SEEK_SET);
    }
    d.fd = fd;
    d.ioFailed = false;
    if (d.needResume) {
        // Reopened after a failed read: from the last packet delivered on, the same packets
        // again, those already delivered dropped.
        d.needResume = false;
        const bool known = d.nextPts != INT64_MIN;
        d.resuming = known;
        d.resumePts = d.nextPts;
        const int64_t sample =
            known ? av_rescale_q(d.nextPts - d.startTime, d.timeBase, AVRational{1, d.sampleRate})
                  : 0;
        if (!d.seekToSample(sample) && known)
            d.seekToSample(0);
        if (d.ioFailed) {
            d.needResume = true;
            return CodedReadResult::IoFailed;
        }
    }
    if (d.seekPending) {
        d.seekPending = false;
        d.seekToSample(d.seekSample);
        if (d.ioFailed) {
            d.seekPending = true;
            return CodedReadResult::IoFailed;
        }
    }

    // Never more than half of a short file in the ring (so a short looping file is never
    // buffered twice), but always one record.
    const int32_t dataEnd = slot.dataEnd.load(std::memory_order_relaxed);
    const int32_t limit = std::max(dataEnd / 2 - kFileRingGuard, kReaderBlock);
    int32_t written = 0;
    while (written < kReaderBlock) {
        if (d.atEnd) {
            if (loadField(h->loop) != 0 && !d.loopFailed) {
                const CodedRecordHeader restart{.kind = CodedRecordKind::Restart};
                if (!putCodedRecord(slot, restart, nullptr))
                    return CodedReadResult::RingFull;
                countLoopRestart(slot);
                d.atEnd = false;
                d.endWritten = false;
                d.nextPts = INT64_MIN;
                if (!d.seekToSample(0) || d.ioFailed) {
                    if (d.ioFailed) {
                        d.needResume = true;
                        return CodedReadResult::IoFailed;
                    }
                    logEntry("Can't loop, the stream does not start again: %s",
                             h->fileName != nullptr ? h->fileName : "");
                    d.atEnd = true;
                    d.loopFailed = true;
                }
                continue;
            }
            if (!d.endWritten) {
                const CodedRecordHeader end{.kind = d.broken ? CodedRecordKind::Broken
                                                             : CodedRecordKind::End};
                if (!putCodedRecord(slot, end, nullptr))
                    return CodedReadResult::RingFull;
                d.endWritten = true;
                slot.filePos.store(dataEnd, std::memory_order_relaxed);
                slot.endOfFile.store(1, std::memory_order_release);
            }
            return CodedReadResult::Rest;
        }
        if (!d.havePacket) {
            const int result = d.readPacket();
            if (d.ioFailed) {
                av_packet_unref(d.packet);
                d.needResume = true;
                return CodedReadResult::IoFailed;
            }
            if (result < 0) {
                // The end, or damage the demuxer cannot get past: the decoder learns which.
                d.broken = result != AVERROR_EOF;
                d.atEnd = true;
                continue;
            }
            if (d.packet->size > kCodedLargestPacket) {
                av_packet_unref(d.packet);
                d.broken = true;
                d.atEnd = true;
                continue;
            }
            d.havePacket = true;
        }
        CodedRecordHeader record;
        record.size = d.packet->size;
        record.pts = d.packet->pts != AV_NOPTS_VALUE ? d.packet->pts : INT64_MIN;
        record.duration = d.packet->duration;
        size_t sideSize = 0;
        if (const uint8_t* skip =
                av_packet_get_side_data(d.packet, AV_PKT_DATA_SKIP_SAMPLES, &sideSize);
            skip != nullptr && sideSize >= 8) {
            record.skipStart = AV_RL32(skip);
            record.discardEnd = AV_RL32(skip + 4);
        }
        const int32_t buffered = fileRingBuffered(slot);
        if (buffered > 0 && buffered + kCodedRecordHeaderBytes + record.size > limit)
            return CodedReadResult::HalfFile;
        if (!putCodedRecord(slot, record, d.packet->data))
            return CodedReadResult::RingFull;
        if (d.packet->pts != AV_NOPTS_VALUE)
            d.nextPts = d.packet->pts + std::max<int64_t>(d.packet->duration, 1);
        written += kCodedRecordHeaderBytes + record.size;
        av_packet_unref(d.packet);
        d.havePacket = false;
    }
    slot.filePos.store(static_cast<int32_t>(std::clamp<int64_t>(avio_tell(d.io), 0, dataEnd)),
                       std::memory_order_relaxed);
    return CodedReadResult::Rest;
}

} // namespace klv::engine

// The check a line makes when it opens a file: a RIFF WAV file with PCM samples the PCM path
// plays, a container FFmpeg decodes, or an MP3 stream.

#include "engine/core/file_type.h"

#include "engine/codec/coded_probe.h"
#include "engine/codec/coded_source.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"
#include "engine/core/mp3_decoder.h"
#include "engine/core/mp3_stream_search.h"
#include "engine/core/wav_header.h"
#include "platform/system/file_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace klv::engine {

namespace {

const char* pathOf(const LineHandle* h) {
    return h->fileName != nullptr ? h->fileName : "";
}

int32_t unknownType(LineHandle* h, DeferredMessage& message) {
    logEntry("Can't determine file type: %s", pathOf(h));
    if (!h->quiet)
        message.user("Can't open file - Invalid or Unsupported File Type");
    return -1;
}

int32_t detectMp3(LineHandle* h, LineSlot& slot, int fd, DeferredMessage& message) {
    Mp3Decoder* decoder = Mp3Decoder::create();
    Mp3StreamInfo info;
    if (decoder == nullptr || ::lseek(fd, 0, SEEK_SET) != 0 || mp3StreamSearch(fd, &info) != 0) {
        Mp3Decoder::destroy(decoder);
        h->decoder = nullptr;
        return unknownType(h, message);
    }
    h->decoder = decoder;
    slot.channels.store(info.channels, std::memory_order_relaxed);
    slot.sampleRate.store(info.sampleRate, std::memory_order_relaxed);
    slot.byteRateSum.store(info.byteRate, std::memory_order_relaxed);
    slot.byteRateCount.store(1, std::memory_order_relaxed);
    slot.byteRate.store(info.byteRate, std::memory_order_relaxed);
    slot.bitsPerSample.store(16, std::memory_order_relaxed);
    h->isWave = KLV_SOURCE_MP3;
    return 0;
}

// Through FFmpeg. The reader starts demuxing where the probe left the file.
bool detectCoded(LineHandle* h, LineSlot& slot, int fd, const char* container) {
    CodedFormat format;
    const char* why = "";
    CodedSource* source = CodedSource::open(fd, container, format, why);
    if (source == nullptr) {
        logEntry("Not decodable as %s (%s): %s", container, why, pathOf(h));
        return false;
    }
    h->decoder = source;
    slot.channels.store(format.channels, std::memory_order_relaxed);
    slot.sampleRate.store(format.sampleRate, std::memory_order_relaxed);
    slot.bitsPerSample.store(format.bitsPerSample, std::memory_order_relaxed);
    slot.byteRateSum.store(format.byteRate, std::memory_order_relaxed);
    slot.byteRateCount.store(1, std::memory_order_relaxed);
    slot.byteRate.store(format.byteRate, std::memory_order_relaxed);
    slot.length.store(static_cast<int32_t>(std::min<int64_t>(format.lengthFrames, INT32_MAX)),
                      std::memory_order_relaxed);
    slot.filePos.store(0, std::memory_order_relaxed);
    h->isWave = KLV_SOURCE_CODED;
    return true;
}

} // namespace

int32_t detectFileType(LineHandle* h, LineSlot& slot, DeferredMessage& message) {
    const int fd = loadField(h->file);
    uint8_t bytes[kWavHeaderBytes] = {};
    platform::readAt(fd, bytes, kWavHeaderBytes, 0);
    const WavHeader header = parseWavHeader(bytes);
    const char* problem = header.riffPcm ? unsupportedWavFormat(header) : nullptr;
    if (!header.riffPcm || problem != nullptr) {
        // A WAV the PCM path refuses, and every other container FFmpeg reads, go through
        // FFmpeg; a WAV that FFmpeg cannot read either keeps the PCM path's own reason.
        if (const char* container = codedContainerOf(fd)) {
            if (detectCoded(h, slot, fd, container))
                return 0;
            if (problem == nullptr)
                return unknownType(h, message);
        }
    }
    if (!header.riffPcm)
        return detectMp3(h, slot, fd, message);
    if (problem != nullptr) {
        if (!h->quiet)
            message.user("%s", problem);
        return -1;
    }
    const int32_t byteRate = wavByteRate(header);
    slot.channels.store(header.channels, std::memory_order_relaxed);
    slot.sampleRate.store(header.sampleRate, std::memory_order_relaxed);
    slot.bitsPerSample.store(header.bitsPerSample, std::memory_order_relaxed);
    slot.byteRateCount.store(1, std::memory_order_relaxed);
    slot.byteRateSum.store(byteRate, std::memory_order_relaxed);
    slot.byteRate.store(byteRate, std::memory_order_relaxed);

    // Only one chunk header is looked at: right behind a 16-byte fmt chunk, or behind a longer
    // one. A file cut short there simply has no data chunk header.
    bool dataTag = header.dataTag;
    int64_t dataSize = header.dataSize;
    if (header.fmtSize != 16) {
        uint8_t chunk[8] = {};
        const int64_t at = int64_t{header.fmtSize} + 20;
        if (at < 0 || platform::readAt(fd, chunk, 8, static_cast<off_t>(at)) != 8) {
            dataTag = false;
        } else {
            dataTag = isDataChunkTag(chunk);
            dataSize = readLe32(chunk + 4);
        }
    }
    int64_t dataEnd = slot.dataEnd.load(std::memory_order_relaxed);
    if (dataTag) {
        if (dataSize > 0 && dataSize + kWavHeaderBytes < dataEnd)
            dataEnd = dataSize + kWavHeaderBytes;
    } else {
        logEntry("Can't get stupid data chunk for %s", pathOf(h));
    }
    slot.dataEnd.store(static_cast<int32_t>(dataEnd), std::memory_order_relaxed);
    slot.length.store(static_cast<int32_t>(dataEnd * 44100 / byteRate), std::memory_order_relaxed);
    slot.filePos.store(kWavHeaderBytes, std::memory_order_relaxed);
    // Sample data starts at byte 44 whatever the chunk layout; the reader goes on from here.
    ::lseek(fd, kWavHeaderBytes, SEEK_SET);
    h->isWave = KLV_SOURCE_WAV;
    return 0;
}

} // namespace klv::engine

// klvWhatIsIt: the kind of a file by its extension and then its contents.

#include "engine/core/file_type.h"

#include "engine/codec/coded_probe.h"
#include "engine/core/mp3_stream_search.h"
#include "engine/core/wav_header.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace klv::engine {

namespace {

constexpr int32_t kProbeBytes = 4096;

bool knownExtension(const char* path) {
    if (codedExtension(path))
        return true;
    const size_t length = std::strlen(path);
    if (length < 4)
        return false;
    const char* tail = path + length - 4;
    for (const char* extension : {".pls", ".m3u", ".klv", ".mp3", ".wav", ".pcm"}) {
        bool same = true;
        for (int i = 0; i < 4 && same; ++i)
            same = std::tolower(static_cast<unsigned char>(tail[i])) == extension[i];
        if (same)
            return true;
    }
    return false;
}

bool startsWithPlaylistSection(const uint8_t* bytes, int32_t size) {
    static constexpr char kSection[] = "[playlist]";
    if (size < 10)
        return false;
    for (int i = 0; i < 10; ++i) {
        if (std::tolower(bytes[i]) != kSection[i])
            return false;
    }
    return true;
}

// A PCM WAV header that the PCM path plays; the others go through FFmpeg.
bool playsAsPcm(const uint8_t* bytes, int32_t size) {
    uint8_t header[kWavHeaderBytes] = {};
    std::memcpy(header, bytes, static_cast<size_t>(std::min(size, kWavHeaderBytes)));
    return unsupportedWavFormat(parseWavHeader(header)) == nullptr;
}

} // namespace

} // namespace klv::engine

extern "C" KLV_API int32_t klvWhatIsIt(const char* path) {
    using namespace klv::engine;
    if (path == nullptr || !knownExtension(path))
        return KLV_KIND_UNKNOWN;
    const int fd = openAudioFile(path);
    if (fd < 0)
        return KLV_KIND_UNKNOWN;
    uint8_t bytes[kProbeBytes];
    int32_t size = 0;
    while (size < kProbeBytes) {
        const ssize_t got = ::read(fd, bytes + size, static_cast<size_t>(kProbeBytes - size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        size += static_cast<int32_t>(got);
    }
    const bool riffPcm = size > 20 && std::memcmp(bytes, "RIFF", 4) == 0 && bytes[20] == 1;
    int32_t kind = KLV_KIND_UNKNOWN;
    if (size == 0) {
        kind = KLV_KIND_UNKNOWN;
    } else if (riffPcm && (playsAsPcm(bytes, size) || codedContainerOf(fd) == nullptr)) {
        // The PCM path plays it, or FFmpeg cannot read it either (opening it says why).
        kind = KLV_KIND_WAV;
    } else if (codedContainerOf(fd) != nullptr) {
        kind = KLV_KIND_CODED;
    } else if (startsWithPlaylistSection(bytes, size)) {
        kind = KLV_KIND_PLS;
    } else if (std::memchr(bytes, 0, static_cast<size_t>(size)) != nullptr ||
               std::memchr(bytes, 27, static_cast<size_t>(size)) != nullptr) {
        kind = ::lseek(fd, 0, SEEK_SET) == 0 && mp3StreamSearch(fd, nullptr) == 0
                   ? KLV_KIND_MP3
                   : KLV_KIND_UNKNOWN;
    } else {
        kind = KLV_KIND_TEXT_LIST;
    }
    ::close(fd);
    // A name that says FLAC, M4A, Ogg or AIFF is never a playlist: text under such a name (a
    // saved web page, a renamed note) is not audio, and opening it as a list would be a guess.
    if ((kind == KLV_KIND_PLS || kind == KLV_KIND_TEXT_LIST) && codedExtension(path))
        return KLV_KIND_UNKNOWN;
    return kind;
}

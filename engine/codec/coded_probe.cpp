#include "engine/codec/coded_probe.h"

#include "platform/system/file_io.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

namespace klv::engine {

namespace {

constexpr int32_t kMagicBytes = 12;
constexpr int32_t kId3HeaderBytes = 10;

bool same(const uint8_t* bytes, const char* text) {
    return std::memcmp(bytes, text, std::strlen(text)) == 0;
}

// Bytes of an ID3v2 tag at the start (header, body and footer), 0 when there is none.
int64_t id3TagBytes(const uint8_t* bytes, int32_t size) {
    if (size < kId3HeaderBytes || !same(bytes, "ID3") || bytes[3] == 0xFF || bytes[4] == 0xFF)
        return 0;
    int64_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if ((bytes[i] & 0x80) != 0)
            return 0;
        body = (body << 7) | bytes[i];
    }
    const bool footer = (bytes[5] & 0x10) != 0;
    return kId3HeaderBytes + body + (footer ? kId3HeaderBytes : 0);
}

const char* containerAt(const uint8_t* b, int32_t size) {
    if (size < 4)
        return nullptr;
    if (same(b, "fLaC"))
        return "flac";
    if (same(b, "OggS"))
        return "ogg";
    // ADTS: 12 sync bits, then the MPEG version bit and layer 0 (MP3 frames have layer 1..3).
    if (b[0] == 0xFF && (b[1] & 0xF6) == 0xF0)
        return "aac";
    if (size < kMagicBytes)
        return nullptr;
    if (same(b, "FORM") && (same(b + 8, "AIFF") || same(b + 8, "AIFC")))
        return "aiff";
    if (same(b + 4, "ftyp"))
        return "mp4";
    if ((same(b, "RIFF") || same(b, "RF64")) && same(b + 8, "WAVE"))
        return "wav";
    return nullptr;
}

} // namespace

const char* codedContainer(const uint8_t* bytes, int32_t size) {
    const int64_t tag = id3TagBytes(bytes, size);
    if (tag == 0)
        return containerAt(bytes, size);
    if (tag >= size)
        return nullptr;
    return containerAt(bytes + tag, static_cast<int32_t>(size - tag));
}

const char* codedContainerOf(int fd) {
    uint8_t bytes[kMagicBytes] = {};
    const auto got = static_cast<int32_t>(platform::readAt(fd, bytes, kMagicBytes, 0));
    if (got <= 0)
        return nullptr;
    const int64_t tag = id3TagBytes(bytes, got);
    if (tag == 0)
        return containerAt(bytes, got);
    uint8_t behind[kMagicBytes] = {};
    const auto more = static_cast<int32_t>(platform::readAt(fd, behind, kMagicBytes, tag));
    return more > 0 ? containerAt(behind, more) : nullptr;
}

bool codedExtension(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || std::strchr(dot, '/') != nullptr)
        return false;
    char lower[8] = {};
    const size_t length = std::strlen(dot);
    if (length >= sizeof(lower))
        return false;
    for (size_t i = 0; i < length; ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(dot[i])));
    for (const char* extension : {".flac", ".m4a", ".mp4", ".aac", ".alac", ".ogg", ".oga", ".opus",
                                  ".aif", ".aiff", ".aifc", ".wave"}) {
        if (std::strcmp(lower, extension) == 0)
            return true;
    }
    return false;
}

} // namespace klv::engine

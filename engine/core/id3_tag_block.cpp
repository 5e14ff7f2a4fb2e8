#include "engine/core/id3_tag.h"

#include <cstdio>
#include <cstring>

namespace klv::engine {

namespace {

constexpr size_t kFieldSize = 30;
constexpr size_t kTitle = 3, kArtist = 33, kAlbum = 63, kYear = 93, kComment = 97;
constexpr size_t kTrackZero = 125, kTrack = 126, kGenre = 127;

// Up to the first zero byte, at most 30 bytes; then trailing spaces and zeros go, but the
// first character stays (a field of spaces reads as one space).
void readField(const uint8_t* field, char (&out)[32]) {
    size_t length = 0;
    while (length < kFieldSize && field[length] != 0)
        ++length;
    std::memcpy(out, field, length);
    while (length > 1 && out[length - 1] == ' ')
        --length;
    out[length] = '\0';
}

// Up to 30 characters, stopping at the terminating zero; the rest of the field stays zero.
void writeField(const char (&text)[32], uint8_t* field) {
    for (size_t i = 0; i < kFieldSize && text[i] != '\0'; ++i)
        field[i] = static_cast<uint8_t>(text[i]);
}

int32_t digit(uint8_t byte) {
    return static_cast<int32_t>(static_cast<int8_t>(byte)) - '0';
}

} // namespace

int32_t normaliseId3Year(int32_t year) {
    if (year > 2099 || year < 0)
        return 0;
    if (year < 30)
        return 2000 + year;
    if (year < 100)
        return 1900 + year;
    if (year < 1900)
        return 0;
    return year;
}

bool decodeId3Block(const uint8_t (&block)[kId3BlockSize], Id3Record& record) {
    std::memset(&record, 0, sizeof record);
    if (std::memcmp(block, "TAG", 3) != 0)
        return false;
    readField(block + kTitle, record.title);
    readField(block + kArtist, record.artist);
    readField(block + kAlbum, record.album);
    readField(block + kComment, record.comment);
    if (block[kTrackZero] == 0 && block[kTrack] >= 1 && block[kTrack] <= 99)
        record.track = block[kTrack];
    // No check that the bytes are digits: the arithmetic and the range rules sort out the rest.
    const int32_t year = 1000 * digit(block[kYear]) + 100 * digit(block[kYear + 1]) +
                         10 * digit(block[kYear + 2]) + digit(block[kYear + 3]);
    record.year = normaliseId3Year(year);
    // The byte is a signed 8-bit number: 255 (none) reads -1.
    record.genre = block[kGenre] < 128 ? block[kGenre] : block[kGenre] - 256;
    return true;
}

void encodeId3Block(const Id3Record& record, uint8_t (&block)[kId3BlockSize]) {
    std::memset(block, 0, sizeof block);
    std::memcpy(block, "TAG", 3);
    writeField(record.title, block + kTitle);
    writeField(record.artist, block + kArtist);
    writeField(record.album, block + kAlbum);
    writeField(record.comment, block + kComment);
    char year[16];
    const int length = std::snprintf(year, sizeof year, "%d", record.year);
    for (int i = 0; i < length && i < 4; ++i)
        block[kYear + static_cast<size_t>(i)] = static_cast<uint8_t>(year[i]);
    if (record.track >= 1 && record.track <= 99) {
        block[kTrackZero] = 0;
        block[kTrack] = static_cast<uint8_t>(record.track);
    }
    block[kGenre] = static_cast<uint8_t>(record.genre & 0xFF);
}

} // namespace klv::engine

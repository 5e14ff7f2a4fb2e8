#pragma once
// Songs with tags for the tag tests: the fixtures FFmpeg encodes at build time, copies of them
// in a temporary folder, and what TagLib itself sees in them besides the nine fields.

#include "klv3.h"
#include "tests/support/temp_home.h"

#include <map>
#include <string>

namespace klv::test::tags {

// The path of a fixture encoded at build time.
std::string fixture(const std::string& name);
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
// Copies fixture name into dir as file as; returns the copy's path.
std::string placeFixture(const TempDir& dir, const std::string& name, const std::string& as = {});

// FFmpeg's MD5 of the file's coded audio packets: a byte of the audio moved or lost shows.
std::string audioDigest(const std::string& path);

// Everything TagLib reads in the file's tags except the nine fields of KlvTags (cover art,
// lyrics, replay gain, any other frame), one entry per frame or item.
std::map<std::string, std::string> otherFrames(const std::string& path);

// Adds lyrics, replay gain and, where FFmpeg attached none, cover art to the file's own tag,
// with TagLib, keeping the tag's version.
void addExtras(const std::string& path);

// Makes a KlvTags from the nine texts in their order in klvplay --tags: title, artist, album,
// year, genre, comment, track, bpm, key.
struct Texts {
    std::string title, artist, album, year, genre, comment, track, bpm, key;
    bool operator==(const Texts&) const = default;
};
KlvTags toTags(const Texts& texts);
Texts toTexts(const KlvTags& tags);
// klvGetTags as Texts; ok says whether it returned 0.
Texts readTags(const std::string& path, bool* ok = nullptr);

std::ostream& operator<<(std::ostream& out, const Texts& texts);

} // namespace klv::test::tags

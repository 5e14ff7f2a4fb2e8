#pragma once
// The 128-byte ID3v1 / ID3v1.1 tag at the end of an MP3 file and its Id3Record form.
//
// Block layout: "TAG", title 30, artist 30, album 30, year 4 digits, comment 30 (in ID3v1.1
// byte 125 is 0 and byte 126 the track), genre 1 (255: none).
//
// [thread-safe] getid3 and setid3 keep no state; each opens, uses and closes the file itself.

#include "klv3.h"

#include <cstddef>
#include <cstdint>

namespace klv::engine {

constexpr size_t kId3BlockSize = 128;

// Fills record from a block (record cleared first). false, record all zero, when the block
// does not start with "TAG".
bool decodeId3Block(const uint8_t (&block)[kId3BlockSize], Id3Record& record);

// The year as stored: above 2099 or below 0 -> 0; below 30 -> 2000 + y; below 100 ->
// 1900 + y; below 1900 -> 0; otherwise unchanged.
int32_t normaliseId3Year(int32_t year);

// Builds the block for record; record.year must already be normalised.
void encodeId3Block(const Id3Record& record, uint8_t (&block)[kId3BlockSize]);

} // namespace klv::engine

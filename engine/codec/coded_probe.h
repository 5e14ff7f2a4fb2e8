#pragma once
// Which files go the coded way (through FFmpeg): a container recognised by its first bytes.
// The WAV files that the PCM path plays are decided before this is asked.

#include <cstdint>

namespace klv::engine {

// The libavformat demuxer for the file open on fd ("flac", "ogg", "aiff", "mp4", "wav",
// "aac"), or null when its first bytes (behind an ID3v2 tag, if any) are none of these
// containers. Reads with pread: the descriptor's offset is left alone. [thread-safe]
const char* codedContainerOf(int fd);

// The same for the first bytes of a file (size of them); a file starting with an ID3v2 tag
// longer than size gives null here.
const char* codedContainer(const uint8_t* bytes, int32_t size);

// Whether a path ends in one of the extensions of coded audio (.flac, .m4a, .mp4, .aac,
// .alac, .ogg, .oga, .opus, .aif, .aiff, .aifc, .wave), without regard to case.
bool codedExtension(const char* path);

} // namespace klv::engine

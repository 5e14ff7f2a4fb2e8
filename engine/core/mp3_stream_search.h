#pragma once
// Finding the first playable frame of an MP3 stream: two consecutive MPEG-1 Layer III headers
// at the right distance, within the first 100000 bytes from where the search starts.
//
// [thread-safe] All state lives in the call: the ui thread and several reader threads search at
// the same time.

#include <cstdint>

namespace klv::engine {

struct Mp3StreamInfo {
    int32_t channels = 0;   // 1 single channel, else 2
    int32_t sampleRate = 0; // 32000, 44100 or 48000
    int32_t byteRate = 0;   // bytes per second of the first frame's bit rate
};

// How far the search looks before it gives up.
constexpr int32_t kMp3SearchLimit = 100000;

// Searches from the descriptor's current offset. 0 with the descriptor positioned at the first
// byte of the frame found (and info filled when given), or -1 (position unspecified).
int32_t mp3StreamSearch(int fd, Mp3StreamInfo* info);

} // namespace klv::engine

#pragma once
// The engine's playlists: 16 numbered entries, each an ordered list of file paths held in
// memory, with the file it was opened from or last saved to.
//
// [ui-thread] Every playlist export and everything here runs on the program's user-interface
// thread; the table is not locked.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace klv::engine {

constexpr int32_t kPlaylistCount = 16;

// A list that large is no DJ's playlist but a file that is not a playlist; reading stops there
// so that memory stays within a few hundred megabytes whatever the file holds.
constexpr size_t kMaxPlaylistItems = 1000000;

struct PlaylistSlot {
    bool inUse = false;
    std::optional<std::string> path; // nothing for a new playlist
    std::vector<std::string> items;
};

// The entry of a valid playlist number (0..15 and in use), otherwise null.
PlaylistSlot* playlistSlot(int32_t playlist);
// The lowest-numbered entry not in use, or -1 when all are.
int32_t lowestFreePlaylist();
// Entry n, in use or not (n must be 0..15).
PlaylistSlot& playlistEntry(int32_t n);

// Runs an export's body; nothing thrown (an allocation failing on a huge list) crosses the C
// interface, the export then fails with -1.
template <typename Body> int32_t guardedExport(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return -1;
    }
}

} // namespace klv::engine

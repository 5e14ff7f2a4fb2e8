#include "engine/core/playlist_table.h"

#include <array>

namespace klv::engine {

namespace {
std::array<PlaylistSlot, kPlaylistCount> g_playlists;
}

PlaylistSlot* playlistSlot(int32_t playlist) {
    if (playlist < 0 || playlist >= kPlaylistCount || !g_playlists[playlist].inUse)
        return nullptr;
    return &g_playlists[playlist];
}

int32_t lowestFreePlaylist() {
    for (int32_t n = 0; n < kPlaylistCount; ++n) {
        if (!g_playlists[n].inUse)
            return n;
    }
    return -1;
}

PlaylistSlot& playlistEntry(int32_t n) {
    return g_playlists[static_cast<size_t>(n)];
}

} // namespace klv::engine

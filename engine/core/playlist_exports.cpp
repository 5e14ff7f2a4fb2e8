// Playlist exports: the table's life cycle, files in and out, and looking items up.

#include "klv3.h"

#include "engine/core/playlist_formats.h"
#include "engine/core/playlist_paths.h"
#include "engine/core/playlist_table.h"
#include "engine/core/user_message.h"
#include "engine/core/utf8_cut.h"

#include <cerrno>
#include <cstring>

using namespace klv::engine;

extern "C" KLV_API int32_t klvCreatePlaylist(void) {
    const int32_t n = lowestFreePlaylist();
    if (n < 0)
        return -1;
    PlaylistSlot& entry = playlistEntry(n);
    entry = PlaylistSlot{};
    entry.inUse = true;
    return n;
}

extern "C" KLV_API int32_t klvOpenPlaylist(const char* path) {
    return guardedExport([&]() -> int32_t {
        const int32_t n = lowestFreePlaylist();
        if (n < 0 || path == nullptr)
            return -1;
        std::vector<std::string> items;
        if (!readPlaylistFile(path, items))
            return -1;
        PlaylistSlot& entry = playlistEntry(n);
        entry.path = path;
        entry.items = std::move(items);
        entry.inUse = true;
        return n;
    });
}

extern "C" KLV_API int32_t klvAddPlaylist(int32_t playlist, const char* path) {
    return guardedExport([&]() -> int32_t {
        PlaylistSlot* entry = playlistSlot(playlist);
        if (entry == nullptr || path == nullptr)
            return -1;
        return readPlaylistFile(path, entry->items) ? 0 : -1;
    });
}

extern "C" KLV_API int32_t klvClosePlaylist(int32_t playlist) {
    PlaylistSlot* entry = playlistSlot(playlist);
    if (entry == nullptr)
        return -1;
    *entry = PlaylistSlot{};
    return 0;
}

extern "C" KLV_API int32_t klvSavePlaylist(int32_t playlist, const char* path) {
    return guardedExport([&]() -> int32_t {
        PlaylistSlot* entry = playlistSlot(playlist);
        if (entry == nullptr)
            return -1;
        if (path != nullptr)
            entry->path = path;
        // A new playlist that was never saved under a name has nowhere to go.
        if (!entry->path)
            return -1;
        const std::string& target = *entry->path;
        const std::string folder = playlistFolder(target);
        const bool saved = isPlsName(target) ? writePlsList(target, folder, entry->items)
                                             : writeTextList(target, folder, entry->items);
        if (!saved) {
            const int error = errno;
            return sendUserMessage("Can't save Playlist: %s", std::strerror(error));
        }
        return 0;
    });
}

extern "C" KLV_API int32_t klvGetPlaylistCount(int32_t playlist) {
    const PlaylistSlot* entry = playlistSlot(playlist);
    return entry == nullptr ? 0 : static_cast<int32_t>(entry->items.size());
}

extern "C" KLV_API int32_t klvGetPlaylistFile(int32_t playlist, int32_t index, char* path) {
    const PlaylistSlot* entry = playlistSlot(playlist);
    if (entry == nullptr)
        return -1;
    if (index < 0)
        return -3;
    const auto count = static_cast<int32_t>(entry->items.size());
    if (index >= count)
        return -count;
    if (path == nullptr)
        return -1;
    // The caller's buffer holds KLV_PATH_BUFFER bytes; a longer item is cut, never overflows.
    const std::string& item = entry->items[static_cast<size_t>(index)];
    size_t length = item.size();
    if (length > KLV_PATH_BUFFER - 1)
        length = utf8CutLength(item.data(), KLV_PATH_BUFFER - 1);
    std::memcpy(path, item.data(), length);
    path[length] = '\0';
    return 0;
}

extern "C" KLV_API int32_t klvGetIndexFromFile(int32_t playlist, const char* path) {
    const PlaylistSlot* entry = playlistSlot(playlist);
    if (entry == nullptr || path == nullptr)
        return -1;
    for (size_t i = 0; i < entry->items.size(); ++i) {
        if (entry->items[i] == path)
            return static_cast<int32_t>(i);
    }
    return -1;
}

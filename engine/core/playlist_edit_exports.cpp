// Playlist exports that change the items in memory: insert, remove, exchange, sort, shuffle.

#include "klv3.h"

#include "engine/core/playlist_table.h"

#include <algorithm>
#include <ctime>
#include <random>

using namespace klv::engine;

namespace {

bool validIndex(const PlaylistSlot& entry, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < entry.items.size();
}

unsigned char foldLetter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// Without regard to the case of A..Z; every other byte by its value.
bool pathLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return foldLetter(x) < foldLetter(y);
    });
}

} // namespace

extern "C" KLV_API int32_t klvAddPlaylistFile(int32_t playlist, int32_t position,
                                              const char* path) {
    return guardedExport([&]() -> int32_t {
        PlaylistSlot* entry = playlistSlot(playlist);
        if (entry == nullptr || path == nullptr)
            return -1;
        // A negative position, or one at or beyond the end, appends.
        if (position >= 0 && static_cast<size_t>(position) < entry->items.size())
            entry->items.insert(entry->items.begin() + position, path);
        else
            entry->items.emplace_back(path);
        return 0;
    });
}

extern "C" KLV_API int32_t klvDelPlaylistFile(int32_t playlist, int32_t index) {
    PlaylistSlot* entry = playlistSlot(playlist);
    if (entry == nullptr || !validIndex(*entry, index))
        return -1;
    entry->items.erase(entry->items.begin() + index);
    return 0;
}

extern "C" KLV_API int32_t klvSwapPlaylistFiles(int32_t playlist, int32_t a, int32_t b) {
    PlaylistSlot* entry = playlistSlot(playlist);
    if (entry == nullptr || !validIndex(*entry, a) || !validIndex(*entry, b))
        return -1;
    std::swap(entry->items[static_cast<size_t>(a)], entry->items[static_cast<size_t>(b)]);
    return 0;
}

extern "C" KLV_API int32_t klvSortPlaylist(int32_t playlist, int32_t descending) {
    PlaylistSlot* entry = playlistSlot(playlist);
    if (entry == nullptr)
        return -1;
    if (descending != 0)
        std::stable_sort(entry->items.begin(), entry->items.end(),
                         [](const std::string& a, const std::string& b) { return pathLess(b, a); });
    else
        std::stable_sort(entry->items.begin(), entry->items.end(), pathLess);
    return 0;
}

extern "C" KLV_API int32_t klvRandomizePlaylist(int32_t playlist) {
    PlaylistSlot* entry = playlistSlot(playlist);
    if (entry == nullptr)
        return -1;
    // Seeded with the time in seconds, so two shuffles within one second use the same draw.
    // A generator of its own leaves the process's rand() sequence alone, and drawing from the
    // places not yet filled ends for lists of any length.
    std::mt19937 generator(static_cast<std::mt19937::result_type>(std::time(nullptr)));
    auto& items = entry->items;
    for (size_t i = 0; i + 1 < items.size(); ++i) {
        std::uniform_int_distribution<size_t> pick(i, items.size() - 1);
        std::swap(items[i], items[pick(generator)]);
    }
    return 0;
}

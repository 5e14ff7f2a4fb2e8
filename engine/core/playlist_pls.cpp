#include "engine/core/playlist_formats.h"

#include "engine/core/log.h"
#include "engine/core/playlist_paths.h"
#include "engine/core/playlist_table.h"
#include "platform/store/profile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace klv::engine {

namespace {

constexpr std::string_view kSection = "playlist";
constexpr size_t kMaxValueLength = 254;

// k for a key "File<k>" (any case), spelled as "File%d" writes it; 0 for any other key.
int32_t entryNumber(std::string_view name) {
    if (name.size() < 5 || name.size() > 14 ||
        !platform::profileNamesEqual(name.substr(0, 4), "file"))
        return 0;
    const std::string_view digits = name.substr(4);
    if (digits[0] == '0')
        return 0;
    int64_t k = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        k = k * 10 + (c - '0');
    }
    return k <= INT32_MAX ? static_cast<int32_t>(k) : 0;
}

} // namespace

bool readPlsList(const std::string& path, std::string_view folder,
                 std::vector<std::string>& items) {
    platform::ProfileSection section;
    if (!platform::readProfileSection(path, kSection, section))
        return false;
    const int32_t count = section.getInt("NumberOfEntries", 0);
    // The keys that exist, in number order: the same items as asking for File1..FileN one by
    // one, without N lookups for a file that claims two billion entries.
    std::vector<std::pair<int32_t, std::string_view>> entries;
    for (const auto& [name, value] : section.entries()) {
        const int32_t k = entryNumber(name);
        if (k >= 1 && k <= count && !value.empty())
            entries.emplace_back(k, value);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : entries) {
        if (items.size() >= kMaxPlaylistItems) {
            logEntry("Playlist cut at %zu entries: %s", kMaxPlaylistItems, path.c_str());
            break;
        }
        if (auto item = listedItem(folder, entry.second.substr(0, kMaxValueLength)))
            items.push_back(std::move(*item));
    }
    return true;
}

bool writePlsList(const std::string& path, std::string_view folder,
                  const std::vector<std::string>& items) {
    platform::ProfileFile file;
    file.set(kSection, "NumberOfEntries", std::to_string(items.size()));
    char key[24];
    for (size_t k = 1; k <= items.size(); ++k) {
        std::snprintf(key, sizeof key, "File%zu", k);
        file.set(kSection, key, relativeForm(folder, items[k - 1]));
    }
    return file.save(path);
}

} // namespace klv::engine

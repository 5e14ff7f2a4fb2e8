#include "engine/core/playlist_formats.h"

#include "engine/core/log.h"
#include "engine/core/playlist_paths.h"
#include "engine/core/playlist_table.h"
#include "platform/store/line_reader.h"
#include "platform/store/replace_file.h"

#include <cerrno>

namespace klv::engine {

namespace {
// A listed path has at most this many characters; longer lines are not paths.
constexpr size_t kMaxLineLength = 255;
} // namespace

bool readTextList(const std::string& path, std::string_view folder,
                  std::vector<std::string>& items) {
    platform::LineReader reader(kMaxLineLength);
    if (!reader.open(path))
        return false;
    platform::LineReader::Line line;
    while (reader.next(line)) {
        // Comment and information lines of extended M3U files contain "#".
        if (line.overlong || line.text.empty() || line.text.find('#') != std::string_view::npos)
            continue;
        if (items.size() >= kMaxPlaylistItems) {
            logEntry("Playlist cut at %zu entries: %s", kMaxPlaylistItems, path.c_str());
            break;
        }
        if (auto item = listedItem(folder, line.text))
            items.push_back(std::move(*item));
    }
    if (reader.error() != 0) {
        errno = reader.error();
        return false;
    }
    return true;
}

bool writeTextList(const std::string& path, std::string_view folder,
                   const std::vector<std::string>& items) {
    platform::ReplacingFile out;
    if (!out.begin(path))
        return false;
    for (const std::string& item : items) {
        out.write(relativeForm(folder, item));
        out.write("\r\n");
    }
    return out.commit();
}

} // namespace klv::engine

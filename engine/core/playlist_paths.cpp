#include "engine/core/playlist_paths.h"

#include "engine/core/log.h"
#include "klv3.h"

#include <algorithm>

namespace klv::engine {

namespace {
bool isSeparator(char c) {
    return c == '/' || c == '\\';
}
} // namespace

std::string playlistFolder(std::string_view playlistPath) {
    const size_t last = playlistPath.rfind('/');
    if (last == std::string_view::npos)
        return {};
    return std::string(playlistPath.substr(0, last + 1));
}

std::string resolveListedPath(std::string_view folder, std::string_view line) {
    if ((!line.empty() && line[0] == '/') || (line.size() > 2 && isSeparator(line[2])))
        return std::string(line);
    std::string path(folder);
    if (line.size() >= 2 && line[0] == '.' && isSeparator(line[1]))
        line.remove_prefix(2);
    path.append(line);
    return path;
}

void fixUpListedPath(std::string& path) {
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
            logEntry("Fixed Slash");
        }
    }
    const size_t cr = path.find('\r');
    if (cr != std::string::npos) {
        path.resize(cr);
        logEntry("Fixed CR");
    }
    const size_t lf = path.find('\n');
    if (lf != std::string::npos) {
        path.resize(lf);
        logEntry("Fixed NL");
    }
}

std::optional<std::string> listedItem(std::string_view folder, std::string_view line) {
    if (line.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string item = resolveListedPath(folder, line);
    fixUpListedPath(item);
    if (item.size() > KLV_PATH_BUFFER - 1) {
        logEntry("Playlist entry too long for a path, skipped: %.*s...", 64, item.c_str());
        return std::nullopt;
    }
    return item;
}

std::string relativeForm(std::string_view folder, std::string_view item) {
    if (folder.empty() || item.size() <= folder.size() || !item.starts_with(folder))
        return std::string(item);
    const std::string_view rest = item.substr(folder.size());
    // "CD/x.mp3" or "/x.mp3" would read back as a path taken as it stands; "./" keeps them
    // inside the folder.
    if (rest[0] == '/' || (rest.size() > 2 && isSeparator(rest[2])))
        return "./" + std::string(rest);
    return std::string(rest);
}

} // namespace klv::engine

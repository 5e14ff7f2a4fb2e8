#include "engine/core/playlist_formats.h"

#include "engine/core/playlist_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace klv::engine {

namespace {

enum class ListFormat { Pls, Text };

// Only the first bytes decide; a PLS file that starts otherwise is read as a text list.
bool detectFormat(const std::string& path, ListFormat& format) {
    // Non-blocking so that a pipe or device given by mistake cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return false;
    }
    char head[256];
    ssize_t n;
    do {
        n = ::pread(fd, head, sizeof head, 0);
    } while (n < 0 && errno == EINTR);
    const int error = errno;
    ::close(fd);
    if (n < 0) {
        errno = error;
        return false;
    }
    std::string_view text(head, static_cast<size_t>(n));
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    constexpr std::string_view kHeader = "[playlist]";
    format = ListFormat::Text;
    if (text.size() >= kHeader.size() && strncasecmp(text.data(), kHeader.data(), 10) == 0)
        format = ListFormat::Pls;
    return true;
}

} // namespace

bool isPlsName(std::string_view path) {
    return path.size() >= 4 && strncasecmp(path.data() + path.size() - 4, ".pls", 4) == 0;
}

bool readPlaylistFile(const std::string& path, std::vector<std::string>& items) {
    const std::string folder = playlistFolder(path);
    // Lines that start with "../" are found from the list's folder; a list at the root ("/x")
    // leaves the current directory alone.
    if (folder.size() > 1)
        (void)::chdir(folder.c_str());
    ListFormat format;
    if (!detectFormat(path, format))
        return false;
    std::vector<std::string> read;
    const bool ok = format == ListFormat::Pls ? readPlsList(path, folder, read)
                                              : readTextList(path, folder, read);
    if (!ok)
        return false;
    items.insert(items.end(), std::make_move_iterator(read.begin()),
                 std::make_move_iterator(read.end()));
    return true;
}

} // namespace klv::engine

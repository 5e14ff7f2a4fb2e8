#include "platform/system/shortcut.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace klv::platform {

bool resolveLink(const char* path, std::string& target) {
    target.clear();
    struct stat st {};
    if (!path || lstat(path, &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    // realpath follows every link in the chain; a dangling one fails here.
    char* resolved = realpath(path, nullptr);
    if (!resolved)
        return false;
    target = resolved;
    std::free(resolved);
    return true;
}

int createLink(const char* linkPath, const char* target) {
    if (!linkPath || !*linkPath || !target || !*target)
        return -EINVAL;
    if (symlink(target, linkPath) == 0)
        return 0;
    const int error = errno;
    struct stat st {};
    if (error != EEXIST || lstat(linkPath, &st) != 0 || !S_ISLNK(st.st_mode))
        return -error;
    // Saving a shortcut over an older shortcut replaces it; any other file in the way is kept.
    // The new link is made beside it and renamed over it, so the name never points nowhere.
    const std::string temporary = std::string(linkPath) + ".klv-new-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target, temporary.c_str()) != 0)
        return -errno;
    if (rename(temporary.c_str(), linkPath) != 0) {
        const int renameError = errno;
        unlink(temporary.c_str());
        return -renameError;
    }
    return 0;
}

} // namespace klv::platform

// Shortcuts, which are symbolic links here.

#include "klv3.h"
#include "platform/system/shortcut.h"

#include <cerrno>
#include <cstring>
#include <string>

extern "C" KLV_API int32_t klvResolveLink(const char* shortcut, char* target) {
    if (!target)
        return -2;
    target[0] = '\0';
    std::string resolved;
    // A path that is no link, or whose target is gone, resolves to nothing; that is not an
    // error for the caller, which simply gets an empty target.
    if (!shortcut || !klv::platform::resolveLink(shortcut, resolved))
        return 0;
    // The canonical path is as short as a path gets here. One that does not fit the caller's
    // buffer is refused rather than cut into a different path.
    if (resolved.size() > KLV_LINK_BUFFER - 1)
        return -2;
    std::memcpy(target, resolved.c_str(), resolved.size() + 1);
    return 0;
}

extern "C" KLV_API int32_t klvCreateLink(const char* shortcut, const char* target) {
    if (!shortcut || !target)
        return -EINVAL;
    // A symbolic link has no description, so the shortcut's "Shortcut To KLV3" has nowhere to
    // go; the link itself is all there is.
    return klv::platform::createLink(shortcut, target);
}

#pragma once
// Shortcuts are symbolic links.

#include "platform/platform_api.h"

#include <string>

namespace klv::platform {

// Resolves the link at path to the canonical absolute path of its final target.
// false when path is not a symbolic link or its target cannot be resolved.
KLV_PLATFORM_API bool resolveLink(const char* path, std::string& target);

// Creates a symbolic link at linkPath pointing to target. 0, or a negative errno value.
KLV_PLATFORM_API int createLink(const char* linkPath, const char* target);

} // namespace klv::platform

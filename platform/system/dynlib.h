#pragma once
// Shared libraries loaded at run time (plug-ins).

#include "platform/platform_api.h"

#include <string>

namespace klv::platform {

// Loads the library at path; null on failure (see libraryError()). [thread-safe]
KLV_PLATFORM_API void* loadLibrary(const char* path);
// The address of an exported symbol, or null.
KLV_PLATFORM_API void* findSymbol(void* library, const char* name);
KLV_PLATFORM_API void unloadLibrary(void* library);
// Text of the last failure of the calling thread.
KLV_PLATFORM_API std::string libraryError();

} // namespace klv::platform

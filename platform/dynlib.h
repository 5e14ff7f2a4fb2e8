#pragma once
// Shared libraries loaded at run time (plug-ins).

#include <string>

namespace klv::platform {

// Loads the library at path; null on failure (see libraryError()). [thread-safe]
void* loadLibrary(const char* path);
// The address of an exported symbol, or null.
void* findSymbol(void* library, const char* name);
void unloadLibrary(void* library);
// Text of the last failure of the calling thread.
std::string libraryError();

} // namespace klv::platform

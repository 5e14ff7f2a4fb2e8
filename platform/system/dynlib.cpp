#include "platform/system/dynlib.h"

#include <dlfcn.h>

namespace klv::platform {
namespace {

// dlerror() is per thread but cleared by the next dl* call; keep our own copy so that the
// text survives until the caller asks for it.
thread_local std::string t_error;

void keepError(const char* fallback) {
    const char* text = dlerror();
    t_error = text ? text : fallback;
}

} // namespace

void* loadLibrary(const char* path) {
    if (!path || !*path) {
        t_error = "no library path given";
        return nullptr;
    }
    dlerror();
    // RTLD_LOCAL: two plug-ins may export the same names without seeing each other's.
    // RTLD_NOW: a missing symbol fails the load here, not later on the audio thread.
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        keepError("cannot load library");
    return library;
}

void* findSymbol(void* library, const char* name) {
    if (!library || !name) {
        t_error = "no library or symbol name given";
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(library, name);
    if (!symbol)
        keepError((std::string("symbol not found: ") + name).c_str());
    return symbol;
}

void unloadLibrary(void* library) {
    if (library && dlclose(library) != 0)
        keepError("cannot unload library");
}

std::string libraryError() {
    return t_error;
}

} // namespace klv::platform

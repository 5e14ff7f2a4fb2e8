#include "platform/window_system.h"

#include <atomic>

namespace klv::platform {
namespace {

// Stands in while no window system is registered (early start-up, command-line tools): nobody
// sees anything, and every question is answered the way that changes the least.
class SilentWindowSystem final : public WindowSystem {
public:
    intptr_t sendMessage(WindowHandle, uint32_t, intptr_t, intptr_t) override { return 0; }

    int messageBox(WindowHandle, const std::string&, const std::string&, uint32_t flags) override {
        switch (flags & kMbButtonMask) {
        case kMbOk:
            return kIdOk;
        case kMbYesNo:
            return kIdNo;
        default:
            return kIdCancel;
        }
    }

    bool chooseColor(WindowHandle, uint32_t, uint32_t[16], uint32_t&) override { return false; }

    void showHelp(WindowHandle, const std::string&, int32_t, int32_t) override {}
};

SilentWindowSystem g_silent;
// Acquire/release so that a system registered on one thread is seen fully built on another.
std::atomic<WindowSystem*> g_registered{nullptr};

} // namespace

void setWindowSystem(WindowSystem* system) {
    g_registered.store(system, std::memory_order_release);
}

WindowSystem& windowSystem() {
    WindowSystem* system = g_registered.load(std::memory_order_acquire);
    return system ? *system : g_silent;
}

} // namespace klv::platform

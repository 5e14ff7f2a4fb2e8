#include "platform/ui/window_system.h"

#include <atomic>

namespace klv::platform {
namespace {

// Stands in while no window system is registered (early start-up, command-line tools): nobody
// sees anything, and every question is answered the way that changes the least.
class SilentWindowSystem final : public WindowSystem {
public:
    intptr_t sendMessage(WindowHandle, uint32_t, intptr_t, intptr_t) override { return 0; }

    int messageBox(WindowHandle, const std::string&, const std::string&, uint32_t flags,
                   int32_t) override {
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

    // Nobody could see a dialog: none is made, and so no control exists.
    WindowHandle createDialog(WindowHandle, const KlvDialogTemplate&, KlvDialogProc,
                              void*) override {
        return 0;
    }
    void destroyDialog(WindowHandle) override {}
    bool setTrackbarRange(WindowHandle, int32_t, int32_t, int32_t) override { return false; }
    bool setTrackbarPos(WindowHandle, int32_t, int32_t) override { return false; }
    int32_t trackbarPos(WindowHandle, int32_t) override { return 0; }
    bool setCheck(WindowHandle, int32_t, bool) override { return false; }
    bool isChecked(WindowHandle, int32_t) override { return false; }
    bool setItemText(WindowHandle, int32_t, const std::string&) override { return false; }
    bool itemText(WindowHandle, int32_t, std::string&) override { return false; }
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

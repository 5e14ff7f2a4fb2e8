#pragma once
// klvplay's window system: the engine's messages and boxes go to standard error as they come
// (a box is answered OK at once), and there is nothing to choose colours with, no help viewer
// and no dialogs. [thread-safe]

#include "platform/ui/window_system.h"

#include <mutex>

namespace klvplay {

class ConsoleWindowSystem : public klv::platform::WindowSystem {
public:
    intptr_t sendMessage(klv::platform::WindowHandle window, uint32_t msg, intptr_t wParam,
                         intptr_t lParam) override;
    int messageBox(klv::platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, uint32_t flags, int32_t helpTopic = 0) override;
    bool chooseColor(klv::platform::WindowHandle, uint32_t, uint32_t[16], uint32_t&) override {
        return false;
    }
    void showHelp(klv::platform::WindowHandle, const std::string&, int32_t, int32_t) override {}
    klv::platform::WindowHandle createDialog(klv::platform::WindowHandle, const KlvDialogTemplate&,
                                             KlvDialogProc, void*) override {
        return 0;
    }
    void destroyDialog(klv::platform::WindowHandle) override {}
    bool setTrackbarRange(klv::platform::WindowHandle, int32_t, int32_t, int32_t) override {
        return false;
    }
    bool setTrackbarPos(klv::platform::WindowHandle, int32_t, int32_t) override { return false; }
    int32_t trackbarPos(klv::platform::WindowHandle, int32_t) override { return 0; }
    bool setCheck(klv::platform::WindowHandle, int32_t, bool) override { return false; }
    bool isChecked(klv::platform::WindowHandle, int32_t) override { return false; }
    bool setItemText(klv::platform::WindowHandle, int32_t, const std::string&) override {
        return false;
    }
    bool itemText(klv::platform::WindowHandle, int32_t, std::string&) override { return false; }

private:
    void print(const char* text);

    std::mutex m_mutex; // one line at a time from the engine's threads
};

} // namespace klvplay

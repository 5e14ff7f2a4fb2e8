#pragma once
// The window system the engine and plug-ins talk to: synchronous messages to a window, message
// boxes, the colour chooser and the help viewer. The program registers its Qt implementation at
// start-up; tests register HeadlessWindowSystem. With nothing registered, a silent stand-in
// answers every request as a user who presses OK / Cancel would.
//
// [thread-safe] Every call may come from any thread. An implementation serves it on its GUI
// thread and blocks the calling thread until it has been handled, never the other way round.

#include <cstdint>
#include <string>

namespace klv::platform {

using WindowHandle = intptr_t;

// Message box flags and answers, with the values callers know from the platform they were
// written for.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbOkCancel = 0x1;
constexpr uint32_t kMbYesNo = 0x4;
constexpr uint32_t kMbIconStop = 0x10; // critical error
constexpr uint32_t kMbIconQuestion = 0x20;
constexpr uint32_t kMbIconExclamation = 0x30; // warning
constexpr uint32_t kMbIconInformation = 0x40;
constexpr uint32_t kMbButtonMask = 0xF;
constexpr uint32_t kMbIconMask = 0xF0;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Delivers msg to window and returns the window's answer once it has handled it.
    // lParam/wParam may point into the caller's stack: they are valid only during the call.
    virtual intptr_t sendMessage(WindowHandle window, uint32_t msg, intptr_t wParam,
                                 intptr_t lParam) = 0;

    // Modal box owned by owner (0: no owner). Returns kIdOk, kIdYes, kIdNo or kIdCancel.
    virtual int messageBox(WindowHandle owner, const std::string& text,
                           const std::string& caption, uint32_t flags) = 0;

    // Colour chooser preset to initial (0x00BBGGRR) with its custom colour section open.
    // customColors is read and written back (also on cancel). Returns true and sets chosen
    // when the user accepted.
    virtual bool chooseColor(WindowHandle owner, uint32_t initial, uint32_t customColors[16],
                             uint32_t& chosen) = 0;

    // Opens the help pages at helpFile: command 1 shows topic data, 11 the contents.
    virtual void showHelp(WindowHandle window, const std::string& helpFile, int32_t command,
                          int32_t data) = 0;
};

// Registers the implementation used from now on (null: the silent stand-in). The object must
// outlive its registration. [thread-safe]
void setWindowSystem(WindowSystem* system);
// The registered implementation or the silent stand-in. [thread-safe]
WindowSystem& windowSystem();

} // namespace klv::platform

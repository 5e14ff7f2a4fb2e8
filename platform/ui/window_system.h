#pragma once
// The window system the engine and plug-ins talk to: synchronous messages to a window, message
// boxes, the colour chooser, the help viewer and dialogs built from templates. The program
// registers its Qt implementation at start-up; tests register HeadlessWindowSystem. With
// nothing registered, a silent stand-in answers every request as a user who presses OK /
// Cancel would, and makes no dialogs.
//
// [thread-safe] Every call may come from any thread. An implementation serves it on its GUI
// thread and blocks the calling thread until it has been handled, never the other way round.
//
// Waiting rule. A request from another thread is served by the GUI thread's event loop. While
// the GUI thread itself waits for another thread (joins it, or polls its flags, as closing a
// line does), that thread's requests cannot be served and it cannot finish: the waiting code
// calls serveRequests() between its polls. Requests served there may show a modal box, which
// runs a nested event loop, so the waiting code must tolerate the GUI thread's timers running.

#include "platform/platform_api.h"
#include "platform/ui/dialog_template.h"

#include <cstdint>
#include <string>

namespace klv::platform {

using WindowHandle = intptr_t;

// Message box flags and answers, with the values callers know from the platform they were
// written for.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbOkCancel = 0x1;
constexpr uint32_t kMbYesNoCancel = 0x3;
constexpr uint32_t kMbYesNo = 0x4;
constexpr uint32_t kMbIconStop = 0x10; // critical error
constexpr uint32_t kMbIconQuestion = 0x20;
constexpr uint32_t kMbIconExclamation = 0x30; // warning
constexpr uint32_t kMbIconInformation = 0x40;
// A Help button beside the others; it opens the help topic given to messageBox and leaves the
// box open, so it is never an answer.
constexpr uint32_t kMbHelp = 0x4000;
constexpr uint32_t kMbButtonMask = 0xF;
constexpr uint32_t kMbIconMask = 0xF0;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class KLV_PLATFORM_API WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Delivers msg to window and returns the window's answer once it has handled it.
    // lParam/wParam may point into the caller's stack: they are valid only during the call.
    virtual intptr_t sendMessage(WindowHandle window, uint32_t msg, intptr_t wParam,
                                 intptr_t lParam) = 0;

    // Modal box owned by owner (0: no owner). Returns kIdOk, kIdYes, kIdNo or kIdCancel.
    // With kMbHelp, helpTopic is the topic of the program's help pages the Help button opens.
    virtual int messageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                           uint32_t flags, int32_t helpTopic = 0) = 0;

    // Colour chooser preset to initial (0x00BBGGRR) with its custom colour section open.
    // customColors is read and written back (also on cancel). Returns true and sets chosen
    // when the user accepted.
    virtual bool chooseColor(WindowHandle owner, uint32_t initial, uint32_t customColors[16],
                             uint32_t& chosen) = 0;

    // Opens the help pages at helpFile: command 1 shows topic data, 11 the contents.
    virtual void showHelp(WindowHandle window, const std::string& helpFile, int32_t command,
                          int32_t data) = 0;

    // Dialogs from templates (dialog_template.h has the contract of each call). createDialog
    // returns the dialog's window handle, 0 when none can be made. The control calls return
    // false / 0 for an unknown dialog or id or a control of another kind.
    virtual WindowHandle createDialog(WindowHandle owner, const KlvDialogTemplate& dialogTemplate,
                                      KlvDialogProc proc, void* userData) = 0;
    virtual void destroyDialog(WindowHandle dialog) = 0;
    virtual bool setTrackbarRange(WindowHandle dialog, int32_t id, int32_t minimum,
                                  int32_t maximum) = 0;
    virtual bool setTrackbarPos(WindowHandle dialog, int32_t id, int32_t position) = 0;
    virtual int32_t trackbarPos(WindowHandle dialog, int32_t id) = 0;
    virtual bool setCheck(WindowHandle dialog, int32_t id, bool checked) = 0;
    virtual bool isChecked(WindowHandle dialog, int32_t id) = 0;
    virtual bool setItemText(WindowHandle dialog, int32_t id, const std::string& text) = 0;
    // false for an unknown dialog or id; text is left alone then.
    virtual bool itemText(WindowHandle dialog, int32_t id, std::string& text) = 0;

    // Serves the requests other threads are waiting on (see the waiting rule above). Does
    // nothing when called off the GUI thread or when nothing waits. [ui-thread]
    virtual void serveRequests() {}
};

// Registers the implementation used from now on (null: the silent stand-in). The object must
// outlive its registration. [thread-safe]
KLV_PLATFORM_API void setWindowSystem(WindowSystem* system);
// The registered implementation or the silent stand-in. [thread-safe]
KLV_PLATFORM_API WindowSystem& windowSystem();

} // namespace klv::platform

#pragma once
// A window system without a screen: it records every request and answers from a script.
// Tests register it; it lives in the platform layer so that no test fakes the engine itself.

#include "platform/ui/window_system.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace klv::platform {

class HeadlessWindowSystem : public WindowSystem {
public:
    struct Message {
        WindowHandle window;
        uint32_t msg;
        intptr_t wParam;
        intptr_t lParam;
        // For the engine's user message (1025): the record's contents, copied during the call.
        std::string text;
        int32_t level = 0;
        int32_t helpContext = 0;
    };
    struct Box {
        WindowHandle owner;
        std::string text;
        std::string caption;
        uint32_t flags;
        int32_t helpTopic = 0;
    };
    struct ColorRequest {
        WindowHandle owner;
        uint32_t initial;
        uint32_t customIn[16];
    };
    struct HelpRequest {
        WindowHandle window;
        std::string helpFile;
        int32_t command;
        int32_t data;
    };
    // A control of a dialog made from a template, with the state the host calls set.
    struct DialogControl {
        int32_t id;
        int32_t kind;
        std::string text;
        int32_t x, y, cx, cy;
        int32_t minimum = 0;   // a trackbar's range starts as 0..100, as on the platform the
        int32_t maximum = 100; // plug-in interface comes from
        int32_t position = 0;
        bool checked = false;
    };
    struct Dialog {
        WindowHandle handle;
        WindowHandle owner;
        std::string title;
        int32_t cx, cy;
        std::string fontName;
        int32_t fontPointSize;
        std::vector<DialogControl> controls;
    };

    intptr_t sendMessage(WindowHandle window, uint32_t msg, intptr_t wParam,
                         intptr_t lParam) override;
    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   uint32_t flags, int32_t helpTopic = 0) override;
    bool chooseColor(WindowHandle owner, uint32_t initial, uint32_t customColors[16],
                     uint32_t& chosen) override;
    void showHelp(WindowHandle window, const std::string& helpFile, int32_t command,
                  int32_t data) override;

    WindowHandle createDialog(WindowHandle owner, const KlvDialogTemplate& dialogTemplate,
                              KlvDialogProc proc, void* userData) override;
    void destroyDialog(WindowHandle dialog) override;
    bool setTrackbarRange(WindowHandle dialog, int32_t id, int32_t minimum,
                          int32_t maximum) override;
    bool setTrackbarPos(WindowHandle dialog, int32_t id, int32_t position) override;
    int32_t trackbarPos(WindowHandle dialog, int32_t id) override;
    bool setCheck(WindowHandle dialog, int32_t id, bool checked) override;
    bool isChecked(WindowHandle dialog, int32_t id) override;
    bool setItemText(WindowHandle dialog, int32_t id, const std::string& text) override;
    bool itemText(WindowHandle dialog, int32_t id, std::string& text) override;

    // The user's side of a dialog, as a test plays it. Each returns false for an unknown
    // dialog or id or a control of another kind. moveTrackbar puts the trackbar at position
    // (kept within its range) and notifies KLV_DLG_HSCROLL with code; pressButton presses a
    // button or check box (a check box toggles first) and notifies KLV_DLG_COMMAND;
    // closeDialog notifies KLV_DLG_CLOSE and destroys the dialog unless the procedure
    // refuses.
    bool moveTrackbar(WindowHandle dialog, int32_t id, int32_t position,
                      int32_t code = KLV_TB_THUMBTRACK);
    bool pressButton(WindowHandle dialog, int32_t id);
    bool closeDialog(WindowHandle dialog);
    // The live dialogs in the order they were made, and a copy of one of them.
    std::vector<WindowHandle> dialogs() const;
    std::optional<Dialog> dialog(WindowHandle handle) const;

    // Script. A box answers boxAnswer (kIdOk by default). The colour chooser accepts with
    // colorAnswer when colorAccept is set and writes colorCustomOut into the custom colours
    // when colorSetCustom is set. onMessage, when set, runs inside sendMessage.
    int boxAnswer = kIdOk;
    bool colorAccept = false;
    uint32_t colorAnswer = 0;
    bool colorSetCustom = false;
    uint32_t colorCustomOut[16] = {};
    std::function<intptr_t(const Message&)> onMessage;

    // While held, a box blocks its caller, as a box does that the user has not closed yet;
    // releasing lets every open box return its answer. [thread-safe]
    void holdBoxes(bool hold);
    // Boxes shown and not yet closed. [thread-safe]
    int openBoxes() const;
    // Waits until at least count boxes have been shown; false after timeoutMs. [thread-safe]
    bool waitForBoxes(size_t count, uint32_t timeoutMs = 10000) const;

    // Copies of what was asked so far. [thread-safe]
    std::vector<Message> messages() const;
    std::vector<Box> boxes() const;
    std::vector<ColorRequest> colorRequests() const;
    std::vector<HelpRequest> helpRequests() const;
    void clear();

private:
    struct LiveDialog {
        Dialog state;
        KlvDialogProc proc;
        uint64_t order;
    };
    DialogControl* findControl(WindowHandle dialog, int32_t id, int32_t kind = 0);
    // Calls the dialog's procedure outside the lock (it calls back into the host calls).
    intptr_t notify(WindowHandle dialog, uint32_t msg, intptr_t wParam, intptr_t lParam);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_holdBoxes = false;
    int m_openBoxes = 0;
    std::map<WindowHandle, LiveDialog> m_dialogs;
    uint64_t m_dialogsMade = 0;
    std::vector<Message> m_messages;
    std::vector<Box> m_boxes;
    std::vector<ColorRequest> m_colors;
    std::vector<HelpRequest> m_help;
};

} // namespace klv::platform

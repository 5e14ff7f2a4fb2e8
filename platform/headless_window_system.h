#pragma once
// A window system without a screen: it records every request and answers from a script.
// Tests register it; it lives in the platform layer so that no test fakes the engine itself.

#include "platform/window_system.h"

#include <functional>
#include <mutex>
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

    intptr_t sendMessage(WindowHandle window, uint32_t msg, intptr_t wParam,
                         intptr_t lParam) override;
    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   uint32_t flags) override;
    bool chooseColor(WindowHandle owner, uint32_t initial, uint32_t customColors[16],
                     uint32_t& chosen) override;
    void showHelp(WindowHandle window, const std::string& helpFile, int32_t command,
                  int32_t data) override;

    // Script. A box answers boxAnswer (kIdOk by default). The colour chooser accepts with
    // colorAnswer when colorAccept is set and writes colorCustomOut into the custom colours
    // when colorSetCustom is set. onMessage, when set, runs inside sendMessage.
    int boxAnswer = kIdOk;
    bool colorAccept = false;
    uint32_t colorAnswer = 0;
    bool colorSetCustom = false;
    uint32_t colorCustomOut[16] = {};
    std::function<intptr_t(const Message&)> onMessage;

    // Copies of what was asked so far. [thread-safe]
    std::vector<Message> messages() const;
    std::vector<Box> boxes() const;
    std::vector<ColorRequest> colorRequests() const;
    std::vector<HelpRequest> helpRequests() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::vector<Box> m_boxes;
    std::vector<ColorRequest> m_colors;
    std::vector<HelpRequest> m_help;
};

} // namespace klv::platform

#include "platform/headless_window_system.h"

#include "klv3.h"

#include <algorithm>
#include <cstring>

namespace klv::platform {

intptr_t HeadlessWindowSystem::sendMessage(WindowHandle window, uint32_t msg, intptr_t wParam,
                                           intptr_t lParam) {
    Message record{window, msg, wParam, lParam, {}, 0, 0};
    if (msg == KLV_MSG_USER_MESSAGE && wParam != 0) {
        // The record usually lives on the sender's stack: copy it now, while it is valid. The
        // text is bounded by its field even when the sender forgot the terminating zero.
        const auto* user = reinterpret_cast<const UserMessage*>(wParam);
        record.text.assign(user->text, strnlen(user->text, sizeof user->text));
        record.level = user->level;
        record.helpContext = user->helpContext;
    }
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(record);
    }
    // Outside the lock, so that a handler may look at what was recorded or send again.
    return onMessage ? onMessage(record) : 0;
}

int HeadlessWindowSystem::messageBox(WindowHandle owner, const std::string& text,
                                     const std::string& caption, uint32_t flags) {
    std::lock_guard lock(m_mutex);
    m_boxes.push_back(Box{owner, text, caption, flags});
    return boxAnswer;
}

bool HeadlessWindowSystem::chooseColor(WindowHandle owner, uint32_t initial,
                                       uint32_t customColors[16], uint32_t& chosen) {
    std::lock_guard lock(m_mutex);
    ColorRequest request{owner, initial, {}};
    std::copy_n(customColors, 16, request.customIn);
    m_colors.push_back(request);
    if (colorSetCustom)
        std::copy_n(colorCustomOut, 16, customColors);
    if (colorAccept)
        chosen = colorAnswer;
    return colorAccept;
}

void HeadlessWindowSystem::showHelp(WindowHandle window, const std::string& helpFile,
                                    int32_t command, int32_t data) {
    std::lock_guard lock(m_mutex);
    m_help.push_back(HelpRequest{window, helpFile, command, data});
}

std::vector<HeadlessWindowSystem::Message> HeadlessWindowSystem::messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<HeadlessWindowSystem::Box> HeadlessWindowSystem::boxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

std::vector<HeadlessWindowSystem::ColorRequest> HeadlessWindowSystem::colorRequests() const {
    std::lock_guard lock(m_mutex);
    return m_colors;
}

std::vector<HeadlessWindowSystem::HelpRequest> HeadlessWindowSystem::helpRequests() const {
    std::lock_guard lock(m_mutex);
    return m_help;
}

void HeadlessWindowSystem::clear() {
    std::lock_guard lock(m_mutex);
    m_messages.clear();
    m_boxes.clear();
    m_colors.clear();
    m_help.clear();
}

} // namespace klv::platform

#include "tools/klvplay/console_window_system.h"

#include "klv3.h"

#include <cstdio>

namespace klvplay {

intptr_t ConsoleWindowSystem::sendMessage(klv::platform::WindowHandle, uint32_t msg,
                                          intptr_t wParam, intptr_t) {
    if (msg == KLV_MSG_USER_MESSAGE && wParam != 0)
        print(reinterpret_cast<const UserMessage*>(wParam)->text);
    return 0;
}

int ConsoleWindowSystem::messageBox(klv::platform::WindowHandle, const std::string& text,
                                    const std::string&, uint32_t, int32_t) {
    print(text.c_str());
    return klv::platform::kIdOk;
}

void ConsoleWindowSystem::print(const char* text) {
    std::lock_guard lock(m_mutex);
    // The status line is being rewritten in place: start a line of our own.
    std::fprintf(stderr, "\nklvplay: %s\n", text);
}

} // namespace klvplay

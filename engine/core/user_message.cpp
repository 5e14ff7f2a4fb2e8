#include "engine/core/user_message.h"

#include "engine/core/utf8_cut.h"
#include "platform/ui/window_system.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace klv::engine {

namespace {

constexpr size_t kMessageLimit = sizeof(UserMessage::text) - 1; // 255
constexpr size_t kBoxLimit = 2047;

// Written by klvLoadOptions on the ui thread, read by any thread that reports a problem.
std::atomic<KlvWindow> g_owner{0};

// Formats into buffer (capacity limit + 1) and cuts at limit bytes, never inside a character.
// Every caller brings its own buffer: reader, decoder and output threads report at once.
void formatCut(char* buffer, size_t limit, const char* format, va_list args) {
    const int wanted = std::vsnprintf(buffer, limit + 1, format, args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return;
    }
    if (static_cast<size_t>(wanted) > limit)
        buffer[utf8CutLength(buffer, limit)] = '\0';
}

} // namespace

int32_t sendUserMessage(const char* format, ...) {
    UserMessage message{};
    va_list args;
    va_start(args, format);
    formatCut(message.text, kMessageLimit, format, args);
    va_end(args);
    message.level = 2;
    message.helpContext = 0;
    const KlvWindow owner = g_owner.load(std::memory_order_acquire);
    if (owner != 0) {
        // Blocks until the program has handled it; the record stays on this stack until then.
        platform::windowSystem().sendMessage(owner, KLV_MSG_USER_MESSAGE,
                                             reinterpret_cast<intptr_t>(&message), 0);
    }
    return -1;
}

void showMessageBox(const char* format, ...) {
    char text[kBoxLimit + 1];
    va_list args;
    va_start(args, format);
    formatCut(text, kBoxLimit, format, args);
    va_end(args);
    platform::windowSystem().messageBox(g_owner.load(std::memory_order_acquire), text,
                                        "KLV3 Message",
                                        platform::kMbOk | platform::kMbIconExclamation);
}

KlvWindow ownerWindow() {
    return g_owner.load(std::memory_order_acquire);
}

void setOwnerWindow(KlvWindow window) {
    g_owner.store(window, std::memory_order_release);
}

} // namespace klv::engine

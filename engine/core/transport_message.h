#pragma once
// A message for the user, kept until the transport call that produced it has finished with the
// line: sending blocks until the program has handled the message, and the program may call the
// engine again while it does.

#include "engine/core/user_message.h"

#include <cstdarg>
#include <cstdio>

namespace klv::engine {

struct DeferredMessage {
    enum class Kind { None, User, Box };

    Kind kind = Kind::None;
    char text[768] = {};

    // Message 1025 to the program's window.
    void user(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof(text), format, args);
        va_end(args);
        kind = Kind::User;
    }

    // A message box owned by the program's window.
    void box(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof(text), format, args);
        va_end(args);
        kind = Kind::Box;
    }

    void send() {
        if (kind == Kind::User)
            sendUserMessage("%s", text);
        else if (kind == Kind::Box)
            showMessageBox("%s", text);
        kind = Kind::None;
    }
};

} // namespace klv::engine

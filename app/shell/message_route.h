#pragma once
// Where the program's messages to the user go. A message whose severity (0 notice, 1 warning,
// 2 error) is at most the target's StatusLevel appears in its status bar; one above it in a
// modal box owned by the target's window: "KLV Warning" with the information icon for a
// warning, "KLV Error" with the exclamation icon for everything else, and a Help button that
// opens the help topic when the message has one (above 0). [ui-thread]

#include "platform/ui/window_system.h"

#include <QString>

#include <cstdint>

namespace klv::app {

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual int32_t statusLevel() const = 0;
    virtual platform::WindowHandle messageOwner() const = 0;
    virtual void showStatusMessage(const QString& text, int32_t level, int32_t helpContext) = 0;
};

// The main window makes itself the target while it exists. With no target every message is a
// box without owner: nothing is lost before the status bar exists.
void setMessageTarget(MessageTarget* target);
MessageTarget* messageTarget();

// RouteMessage: to the current target.
void routeMessage(const QString& text, int32_t level, int32_t helpContext = 0);
// The same decision for a given target (null: a box without owner).
void routeMessageTo(MessageTarget* target, const QString& text, int32_t level, int32_t helpContext);

} // namespace klv::app

#include "app/shell/message_route.h"

namespace klv::app {

namespace {

MessageTarget* g_target = nullptr; // touched on the GUI thread only

} // namespace

void setMessageTarget(MessageTarget* target) {
    g_target = target;
}

MessageTarget* messageTarget() {
    return g_target;
}

void routeMessage(const QString& text, int32_t level, int32_t helpContext) {
    routeMessageTo(g_target, text, level, helpContext);
}

void routeMessageTo(MessageTarget* target, const QString& text, int32_t level,
                    int32_t helpContext) {
    if (target && level <= target->statusLevel()) {
        target->showStatusMessage(text, level, helpContext);
        return;
    }
    const bool warning = level == 1;
    uint32_t flags =
        platform::kMbOk | (warning ? platform::kMbIconInformation : platform::kMbIconExclamation);
    if (helpContext > 0)
        flags |= platform::kMbHelp;
    platform::windowSystem().messageBox(target ? target->messageOwner() : 0, text.toStdString(),
                                        warning ? "KLV Warning" : "KLV Error", flags,
                                        helpContext > 0 ? helpContext : 0);
}

} // namespace klv::app

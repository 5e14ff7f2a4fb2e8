// The C host calls of klv_dialog.h, served by the registered window system.

#include "platform/ui/dialog_template.h"

#include "platform/ui/window_system.h"

#include <algorithm>
#include <cstring>
#include <string>

using klv::platform::windowSystem;

extern "C" {

KlvDialog klvCreateDialog(KlvWindow owner, const KlvDialogTemplate* dialogTemplate,
                          KlvDialogProc proc, void* userData) {
    if (!dialogTemplate || !proc || dialogTemplate->controlCount < 0 ||
        (dialogTemplate->controlCount > 0 && !dialogTemplate->controls))
        return 0;
    return windowSystem().createDialog(owner, *dialogTemplate, proc, userData);
}

void klvDestroyDialog(KlvDialog dialog) {
    if (dialog != 0)
        windowSystem().destroyDialog(dialog);
}

int32_t klvDialogSetTrackbarRange(KlvDialog dialog, int32_t id, int32_t minimum, int32_t maximum) {
    return windowSystem().setTrackbarRange(dialog, id, minimum, maximum) ? 0 : -1;
}

int32_t klvDialogSetTrackbarPos(KlvDialog dialog, int32_t id, int32_t position) {
    return windowSystem().setTrackbarPos(dialog, id, position) ? 0 : -1;
}

int32_t klvDialogGetTrackbarPos(KlvDialog dialog, int32_t id) {
    return windowSystem().trackbarPos(dialog, id);
}

int32_t klvDialogSetCheck(KlvDialog dialog, int32_t id, int32_t checked) {
    return windowSystem().setCheck(dialog, id, checked != 0) ? 0 : -1;
}

int32_t klvDialogGetCheck(KlvDialog dialog, int32_t id) {
    return windowSystem().isChecked(dialog, id) ? 1 : 0;
}

int32_t klvDialogSetText(KlvDialog dialog, int32_t id, const char* text) {
    return windowSystem().setItemText(dialog, id, text ? text : "") ? 0 : -1;
}

int32_t klvDialogGetText(KlvDialog dialog, int32_t id, char* buffer, int32_t size) {
    std::string text;
    if (!windowSystem().itemText(dialog, id, text))
        return -1;
    if (buffer && size > 0) {
        // Never past the caller's size, and always terminated.
        const size_t copied = std::min(text.size(), static_cast<size_t>(size) - 1);
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    }
    return static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
}

} // extern "C"

#include "tests/doubles/headless_window_system.h"

#include "klv3.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

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
                                     const std::string& caption, uint32_t flags,
                                     int32_t helpTopic) {
    std::unique_lock lock(m_mutex);
    m_boxes.push_back(Box{owner, text, caption, flags, helpTopic});
    m_changed.notify_all();
    // A person who has not read the box yet: the caller waits until the test closes it.
    ++m_openBoxes;
    m_changed.wait(lock, [this] { return !m_holdBoxes; });
    --m_openBoxes;
    m_changed.notify_all();
    return boxAnswer;
}

void HeadlessWindowSystem::holdBoxes(bool hold) {
    std::lock_guard lock(m_mutex);
    m_holdBoxes = hold;
    m_changed.notify_all();
}

int HeadlessWindowSystem::openBoxes() const {
    std::lock_guard lock(m_mutex);
    return m_openBoxes;
}

bool HeadlessWindowSystem::waitForBoxes(size_t count, uint32_t timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_boxes.size() >= count; });
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

namespace {

// Fake dialog handles: far from null and from each other, never reused within a process.
constexpr WindowHandle kFirstDialogHandle = 0x7D000;
constexpr WindowHandle kDialogHandleStep = 0x10;

intptr_t hscrollParam(int32_t code, int32_t position) {
    return static_cast<intptr_t>((static_cast<uint32_t>(position) & 0xFFFF) << 16 |
                                 (static_cast<uint32_t>(code) & 0xFFFF));
}

} // namespace

WindowHandle HeadlessWindowSystem::createDialog(WindowHandle owner,
                                                const KlvDialogTemplate& dialogTemplate,
                                                KlvDialogProc proc, void* userData) {
    if (!proc)
        return 0;
    Dialog state{0,
                 owner,
                 dialogTemplate.title ? dialogTemplate.title : "",
                 dialogTemplate.cx,
                 dialogTemplate.cy,
                 dialogTemplate.fontName ? dialogTemplate.fontName : "",
                 dialogTemplate.fontPointSize,
                 {}};
    for (int32_t i = 0; i < dialogTemplate.controlCount; ++i) {
        const KlvDialogControl& c = dialogTemplate.controls[i];
        DialogControl control{c.id, c.kind, c.text ? c.text : "", c.x, c.y, c.cx, c.cy};
        state.controls.push_back(control);
    }
    WindowHandle handle = 0;
    {
        std::lock_guard lock(m_mutex);
        handle = kFirstDialogHandle + static_cast<WindowHandle>(m_dialogsMade) * kDialogHandleStep;
        state.handle = handle;
        m_dialogs.emplace(handle, LiveDialog{std::move(state), proc, m_dialogsMade});
        ++m_dialogsMade;
    }
    notify(handle, KLV_DLG_INIT, 0, reinterpret_cast<intptr_t>(userData));
    return handle;
}

void HeadlessWindowSystem::destroyDialog(WindowHandle dialog) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_dialogs.count(dialog))
            return;
    }
    notify(dialog, KLV_DLG_DESTROY, 0, 0);
    std::lock_guard lock(m_mutex);
    m_dialogs.erase(dialog);
}

HeadlessWindowSystem::DialogControl* HeadlessWindowSystem::findControl(WindowHandle dialog,
                                                                       int32_t id, int32_t kind) {
    auto it = m_dialogs.find(dialog);
    if (it == m_dialogs.end() || id == KLV_CONTROL_NO_ID)
        return nullptr;
    for (DialogControl& control : it->second.state.controls) {
        if (control.id == id)
            return kind == 0 || control.kind == kind ? &control : nullptr;
    }
    return nullptr;
}

bool HeadlessWindowSystem::setTrackbarRange(WindowHandle dialog, int32_t id, int32_t minimum,
                                            int32_t maximum) {
    std::lock_guard lock(m_mutex);
    DialogControl* control = findControl(dialog, id, KLV_CONTROL_TRACKBAR);
    if (!control)
        return false;
    control->minimum = minimum;
    control->maximum = std::max(minimum, maximum);
    control->position = std::clamp(control->position, control->minimum, control->maximum);
    return true;
}

bool HeadlessWindowSystem::setTrackbarPos(WindowHandle dialog, int32_t id, int32_t position) {
    std::lock_guard lock(m_mutex);
    DialogControl* control = findControl(dialog, id, KLV_CONTROL_TRACKBAR);
    if (!control)
        return false;
    control->position = std::clamp(position, control->minimum, control->maximum);
    return true;
}

int32_t HeadlessWindowSystem::trackbarPos(WindowHandle dialog, int32_t id) {
    std::lock_guard lock(m_mutex);
    const DialogControl* control = findControl(dialog, id, KLV_CONTROL_TRACKBAR);
    return control ? control->position : 0;
}

bool HeadlessWindowSystem::setCheck(WindowHandle dialog, int32_t id, bool checked) {
    std::lock_guard lock(m_mutex);
    DialogControl* control = findControl(dialog, id, KLV_CONTROL_CHECK_BOX);
    if (!control)
        return false;
    control->checked = checked;
    return true;
}

bool HeadlessWindowSystem::isChecked(WindowHandle dialog, int32_t id) {
    std::lock_guard lock(m_mutex);
    const DialogControl* control = findControl(dialog, id, KLV_CONTROL_CHECK_BOX);
    return control && control->checked;
}

bool HeadlessWindowSystem::setItemText(WindowHandle dialog, int32_t id, const std::string& text) {
    std::lock_guard lock(m_mutex);
    DialogControl* control = findControl(dialog, id);
    if (!control || control->kind == KLV_CONTROL_TRACKBAR)
        return false;
    control->text = text;
    return true;
}

bool HeadlessWindowSystem::itemText(WindowHandle dialog, int32_t id, std::string& text) {
    std::lock_guard lock(m_mutex);
    const DialogControl* control = findControl(dialog, id);
    if (!control)
        return false;
    text = control->text;
    return true;
}

intptr_t HeadlessWindowSystem::notify(WindowHandle dialog, uint32_t msg, intptr_t wParam,
                                      intptr_t lParam) {
    KlvDialogProc proc = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_dialogs.find(dialog);
        if (it == m_dialogs.end())
            return 0;
        proc = it->second.proc;
    }
    return proc(dialog, msg, wParam, lParam);
}

bool HeadlessWindowSystem::moveTrackbar(WindowHandle dialog, int32_t id, int32_t position,
                                        int32_t code) {
    int32_t kept = 0;
    {
        std::lock_guard lock(m_mutex);
        DialogControl* control = findControl(dialog, id, KLV_CONTROL_TRACKBAR);
        if (!control)
            return false;
        control->position = std::clamp(position, control->minimum, control->maximum);
        kept = control->position;
    }
    notify(dialog, KLV_DLG_HSCROLL, hscrollParam(code, kept), id);
    return true;
}

bool HeadlessWindowSystem::pressButton(WindowHandle dialog, int32_t id) {
    {
        std::lock_guard lock(m_mutex);
        DialogControl* control = findControl(dialog, id);
        if (!control)
            return false;
        switch (control->kind) {
        case KLV_CONTROL_CHECK_BOX:
            control->checked = !control->checked;
            break;
        case KLV_CONTROL_PUSH_BUTTON:
        case KLV_CONTROL_DEFAULT_BUTTON:
            break;
        default:
            return false;
        }
    }
    notify(dialog, KLV_DLG_COMMAND, static_cast<intptr_t>(id & 0xFFFF) | (KLV_BN_CLICKED << 16), 0);
    return true;
}

bool HeadlessWindowSystem::closeDialog(WindowHandle dialog) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_dialogs.count(dialog))
            return false;
    }
    if (notify(dialog, KLV_DLG_CLOSE, 0, 0) == 0)
        destroyDialog(dialog);
    return true;
}

std::vector<WindowHandle> HeadlessWindowSystem::dialogs() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::pair<uint64_t, WindowHandle>> ordered;
    for (const auto& [handle, live] : m_dialogs)
        ordered.emplace_back(live.order, handle);
    std::sort(ordered.begin(), ordered.end());
    std::vector<WindowHandle> handles;
    for (const auto& entry : ordered)
        handles.push_back(entry.second);
    return handles;
}

std::optional<HeadlessWindowSystem::Dialog>
HeadlessWindowSystem::dialog(WindowHandle handle) const {
    std::lock_guard lock(m_mutex);
    auto it = m_dialogs.find(handle);
    if (it == m_dialogs.end())
        return std::nullopt;
    return it->second.state;
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

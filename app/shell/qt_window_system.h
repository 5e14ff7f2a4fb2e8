#pragma once
// The window system over Qt: window handles are the QWidget* values of the program's windows,
// checked against a registry of live windows, and every request is served on the GUI thread.
// A request from another thread (an engine thread) blocks that thread until the GUI thread has
// handled it, never the other way round.

#include "platform/window_system.h"

#include <QObject>
#include <QUrl>

#include <cstdint>
#include <functional>

class QWidget;

namespace klv::app {

// A window's answer to a message sent to it. Runs on the GUI thread; wParam/lParam are valid
// only during the call.
using WindowMessageHandler =
    std::function<intptr_t(uint32_t msg, intptr_t wParam, intptr_t lParam)>;

// The handle of a widget, as the engine and plug-ins see it.
platform::WindowHandle windowHandle(const QWidget* widget);

// Makes widget known as a window (an owner of boxes and a target of messages) until it is
// destroyed or unregistered. [ui-thread]
void registerWindow(QWidget* widget, WindowMessageHandler handler = {});
void unregisterWindow(QWidget* widget);
// The live registered window behind handle, or null for an unknown or stale handle.
// [ui-thread]
QWidget* liveWindow(platform::WindowHandle handle);

// The help page for a help command: the contents for KLV_HELP_FINDER, topic data for
// KLV_HELP_CONTEXT (the page's anchor "topic-<data>").
QUrl helpUrl(int32_t command, int32_t data);

class QtWindowSystem final : public QObject, public platform::WindowSystem {
    Q_OBJECT
public:
    // Create on the GUI thread; that is the thread every request is served on.
    explicit QtWindowSystem(QObject* parent = nullptr);

    intptr_t sendMessage(platform::WindowHandle window, uint32_t msg, intptr_t wParam,
                         intptr_t lParam) override;
    int messageBox(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, uint32_t flags) override;
    bool chooseColor(platform::WindowHandle owner, uint32_t initial, uint32_t customColors[16],
                     uint32_t& chosen) override;
    void showHelp(platform::WindowHandle window, const std::string& helpFile, int32_t command,
                  int32_t data) override;

private:
    // Runs work on the GUI thread and returns once it has run.
    void onGuiThread(const std::function<void()>& work);
};

} // namespace klv::app

#pragma once
// The window system over Qt: window handles are the QWidget* values of the program's windows,
// checked against a registry of live windows, and every request is served on the GUI thread.
// A request from another thread (an engine thread) is queued for the GUI thread and blocks
// its sender until it has been handled, never the other way round. The GUI thread serves the
// queue from its event loop, from any nested loop (a modal box), and from serveRequests(),
// which code that keeps the GUI thread waiting for another thread calls between its polls.

#include "platform/ui/window_system.h"

#include <QObject>
#include <QUrl>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

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
    // Opens a help page. The default hands it to the desktop's browser, except on a platform
    // without a screen (offscreen), where nobody could read it.
    using HelpOpener = std::function<void(const QUrl&)>;

    // Create on the GUI thread; that is the thread every request is served on.
    explicit QtWindowSystem(QObject* parent = nullptr);
    // Requests still queued are answered as a box closed without a button would be.
    ~QtWindowSystem() override;

    intptr_t sendMessage(platform::WindowHandle window, uint32_t msg, intptr_t wParam,
                         intptr_t lParam) override;
    int messageBox(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, uint32_t flags, int32_t helpTopic = 0) override;
    bool chooseColor(platform::WindowHandle owner, uint32_t initial, uint32_t customColors[16],
                     uint32_t& chosen) override;
    void showHelp(platform::WindowHandle window, const std::string& helpFile, int32_t command,
                  int32_t data) override;

    platform::WindowHandle createDialog(platform::WindowHandle owner,
                                        const KlvDialogTemplate& dialogTemplate, KlvDialogProc proc,
                                        void* userData) override;
    void destroyDialog(platform::WindowHandle dialog) override;
    bool setTrackbarRange(platform::WindowHandle dialog, int32_t id, int32_t minimum,
                          int32_t maximum) override;
    bool setTrackbarPos(platform::WindowHandle dialog, int32_t id, int32_t position) override;
    int32_t trackbarPos(platform::WindowHandle dialog, int32_t id) override;
    bool setCheck(platform::WindowHandle dialog, int32_t id, bool checked) override;
    bool isChecked(platform::WindowHandle dialog, int32_t id) override;
    bool setItemText(platform::WindowHandle dialog, int32_t id, const std::string& text) override;
    bool itemText(platform::WindowHandle dialog, int32_t id, std::string& text) override;

    void serveRequests() override;

    void setHelpOpener(HelpOpener opener) { m_helpOpener = std::move(opener); }

protected:
    bool event(QEvent* event) override;

private:
    struct Request {
        const std::function<void()>* work;
        bool done = false;
    };

    // Runs work on the GUI thread and returns once it has run (or the system is going away).
    void onGuiThread(const std::function<void()>& work);
    void openHelp(int32_t command, int32_t data);

    HelpOpener m_helpOpener;
    std::mutex m_mutex;
    std::condition_variable m_served;
    std::deque<Request*> m_pending; // owned by the waiting senders
    bool m_closed = false;
};

} // namespace klv::app

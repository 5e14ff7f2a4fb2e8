#include "app/shell/qt_window_system.h"

#include "app/shell/template_dialog.h"
#include "klv3.h"
#include "platform/store/home.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <unordered_map>

namespace klv::app {

using platform::WindowHandle;

namespace {

struct WindowEntry {
    QPointer<QWidget> widget; // turns null when the widget goes, so a stale handle stays unknown
    WindowMessageHandler handler;
};

// Touched only on the GUI thread: requests from other threads are moved there first.
std::unordered_map<WindowHandle, WindowEntry>& windowRegistry() {
    static std::unordered_map<WindowHandle, WindowEntry> registry;
    return registry;
}

// Posted to wake the GUI thread for queued requests.
const QEvent::Type kServeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QColor fromColorRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

uint32_t toColorRef(const QColor& color) {
    return static_cast<uint32_t>(color.red()) | static_cast<uint32_t>(color.green()) << 8 |
           static_cast<uint32_t>(color.blue()) << 16;
}

QMessageBox::Icon iconOf(uint32_t flags) {
    switch (flags & platform::kMbIconMask) {
    case platform::kMbIconStop:
        return QMessageBox::Critical;
    case platform::kMbIconQuestion:
        return QMessageBox::Question;
    case platform::kMbIconExclamation:
        return QMessageBox::Warning;
    case platform::kMbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsOf(uint32_t flags) {
    switch (flags & platform::kMbButtonMask) {
    case platform::kMbOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case platform::kMbYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case platform::kMbYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

// A box closed without a button (window manager, Escape) answers like its negative button.
int answerOf(QMessageBox::StandardButton button, uint32_t flags) {
    switch (button) {
    case QMessageBox::Ok:
        return platform::kIdOk;
    case QMessageBox::Cancel:
        return platform::kIdCancel;
    case QMessageBox::Yes:
        return platform::kIdYes;
    case QMessageBox::No:
        return platform::kIdNo;
    default:
        break;
    }
    switch (flags & platform::kMbButtonMask) {
    case platform::kMbOkCancel:
    case platform::kMbYesNoCancel:
        return platform::kIdCancel;
    case platform::kMbYesNo:
        return platform::kIdNo;
    default:
        return platform::kIdOk;
    }
}

} // namespace

WindowHandle windowHandle(const QWidget* widget) {
    return reinterpret_cast<WindowHandle>(widget);
}

void registerWindow(QWidget* widget, WindowMessageHandler handler) {
    if (!widget)
        return;
    const WindowHandle handle = windowHandle(widget);
    windowRegistry()[handle] = WindowEntry{widget, std::move(handler)};
    QObject::connect(widget, &QObject::destroyed, [handle] {
        auto& registry = windowRegistry();
        auto it = registry.find(handle);
        // Only the entry of the widget that went: a new window may sit at the same address.
        if (it != registry.end() && it->second.widget.isNull())
            registry.erase(it);
    });
}

void unregisterWindow(QWidget* widget) {
    windowRegistry().erase(windowHandle(widget));
}

QWidget* liveWindow(WindowHandle handle) {
    if (handle == 0)
        return nullptr;
    auto& registry = windowRegistry();
    auto it = registry.find(handle);
    if (it == registry.end())
        return nullptr;
    if (it->second.widget.isNull()) {
        registry.erase(it);
        return nullptr;
    }
    return it->second.widget.data();
}

QUrl helpUrl(int32_t command, int32_t data) {
    QUrl url = QUrl::fromLocalFile(
        QString::fromStdString((platform::programDir() / "help" / "index.html").string()));
    if (command == KLV_HELP_CONTEXT)
        url.setFragment(QStringLiteral("topic-%1").arg(data));
    return url;
}

QtWindowSystem::QtWindowSystem(QObject* parent) : QObject(parent) {
    m_helpOpener = [](const QUrl& url) {
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QDesktopServices::openUrl(url);
    };
}

QtWindowSystem::~QtWindowSystem() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    for (Request* request : m_pending)
        request->done = true;
    m_pending.clear();
    m_served.notify_all();
}

void QtWindowSystem::onGuiThread(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    // The sender waits here until the GUI thread has run the work, so work may use the
    // sender's stack (the message record behind wParam) for as long as it runs.
    Request request{&work};
    std::unique_lock lock(m_mutex);
    if (m_closed)
        return;
    m_pending.push_back(&request);
    QCoreApplication::postEvent(this, new QEvent(kServeEvent));
    m_served.wait(lock, [&] { return request.done; });
}

void QtWindowSystem::serveRequests() {
    if (QThread::currentThread() != thread())
        return;
    for (;;) {
        Request* request = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
                return;
            request = m_pending.front();
            m_pending.pop_front();
        }
        // Taken off the queue first: a box shown here runs a nested loop that serves the
        // requests behind this one.
        try {
            (*request->work)();
        } catch (...) {
            // The sender is answered anyway; Qt itself does not throw.
        }
        std::lock_guard lock(m_mutex);
        request->done = true;
        m_served.notify_all();
    }
}

bool QtWindowSystem::event(QEvent* event) {
    if (event->type() == kServeEvent) {
        serveRequests();
        return true;
    }
    return QObject::event(event);
}

void QtWindowSystem::openHelp(int32_t command, int32_t data) {
    if (m_helpOpener)
        m_helpOpener(helpUrl(command, data));
}

intptr_t QtWindowSystem::sendMessage(WindowHandle window, uint32_t msg, intptr_t wParam,
                                     intptr_t lParam) {
    intptr_t result = 0;
    onGuiThread([&] {
        if (!liveWindow(window))
            return;
        // A copy: the handler may unregister its window while it runs.
        const WindowMessageHandler handler = windowRegistry()[window].handler;
        if (handler)
            result = handler(msg, wParam, lParam);
    });
    return result;
}

int QtWindowSystem::messageBox(WindowHandle owner, const std::string& text,
                               const std::string& caption, uint32_t flags, int32_t helpTopic) {
    int answer = platform::kIdOk;
    onGuiThread([&] {
        QWidget* parent = liveWindow(owner);
        QMessageBox box(iconOf(flags), QString::fromStdString(caption),
                        QString::fromStdString(text), buttonsOf(flags), parent);
        box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        QPushButton* help = nullptr;
        if ((flags & platform::kMbHelp) != 0)
            help = box.addButton(QStringLiteral("&Help"), QMessageBox::HelpRole);
        // Help opens the topic and leaves the question open: the box comes back.
        for (;;) {
            box.exec();
            if (!help || box.clickedButton() != help)
                break;
            openHelp(KLV_HELP_CONTEXT, helpTopic);
        }
        answer = answerOf(box.standardButton(box.clickedButton()), flags);
    });
    return answer;
}

bool QtWindowSystem::chooseColor(WindowHandle owner, uint32_t initial, uint32_t customColors[16],
                                 uint32_t& chosen) {
    bool accepted = false;
    onGuiThread([&] {
        QWidget* parent = liveWindow(owner);
        for (int i = 0; i < 16; ++i)
            QColorDialog::setCustomColor(i, fromColorRef(customColors[i]));
        QColorDialog dialog(fromColorRef(initial), parent);
        // Qt's own dialog always shows the custom colour section; a desktop's may not.
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        accepted = dialog.exec() == QDialog::Accepted;
        for (int i = 0; i < 16; ++i)
            customColors[i] = toColorRef(QColorDialog::customColor(i));
        if (accepted)
            chosen = toColorRef(dialog.selectedColor());
    });
    return accepted;
}

void QtWindowSystem::showHelp(WindowHandle, const std::string&, int32_t command, int32_t data) {
    // The pages always come from the program folder, whatever file name the caller built.
    onGuiThread([&] { openHelp(command, data); });
}

namespace {

TemplateDialog* liveDialog(WindowHandle handle) {
    auto* dialog = qobject_cast<TemplateDialog*>(liveWindow(handle));
    return dialog && !dialog->destroyed() ? dialog : nullptr;
}

} // namespace

WindowHandle QtWindowSystem::createDialog(WindowHandle owner,
                                          const KlvDialogTemplate& dialogTemplate,
                                          KlvDialogProc proc, void* userData) {
    WindowHandle handle = 0;
    onGuiThread([&] {
        auto* dialog = new TemplateDialog(liveWindow(owner), dialogTemplate, proc, userData);
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        registerWindow(dialog);
        dialog->start();
        if (!dialog->destroyed())
            handle = windowHandle(dialog);
    });
    return handle;
}

void QtWindowSystem::destroyDialog(WindowHandle handle) {
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            dialog->destroy();
    });
}

bool QtWindowSystem::setTrackbarRange(WindowHandle handle, int32_t id, int32_t minimum,
                                      int32_t maximum) {
    bool done = false;
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            done = dialog->setTrackbarRange(id, minimum, maximum);
    });
    return done;
}

bool QtWindowSystem::setTrackbarPos(WindowHandle handle, int32_t id, int32_t position) {
    bool done = false;
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            done = dialog->setTrackbarPos(id, position);
    });
    return done;
}

int32_t QtWindowSystem::trackbarPos(WindowHandle handle, int32_t id) {
    int32_t position = 0;
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            position = dialog->trackbarPos(id);
    });
    return position;
}

bool QtWindowSystem::setCheck(WindowHandle handle, int32_t id, bool checked) {
    bool done = false;
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            done = dialog->setCheck(id, checked);
    });
    return done;
}

bool QtWindowSystem::isChecked(WindowHandle handle, int32_t id) {
    bool checked = false;
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            checked = dialog->isChecked(id);
    });
    return checked;
}

bool QtWindowSystem::setItemText(WindowHandle handle, int32_t id, const std::string& text) {
    bool done = false;
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            done = dialog->setItemText(id, text);
    });
    return done;
}

bool QtWindowSystem::itemText(WindowHandle handle, int32_t id, std::string& text) {
    bool done = false;
    onGuiThread([&] {
        if (TemplateDialog* dialog = liveDialog(handle))
            done = dialog->itemText(id, text);
    });
    return done;
}

} // namespace klv::app

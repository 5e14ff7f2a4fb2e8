#pragma once
// Small helpers shared by the program's tests.

#include "klv3.h"
#include "tests/doubles/headless_window_system.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

namespace klv::test {

// Registers a headless window system for the test's lifetime, so that boxes are recorded
// instead of shown.
class ScopedHeadless {
public:
    ScopedHeadless() { platform::setWindowSystem(&system); }
    ~ScopedHeadless() { platform::setWindowSystem(nullptr); }
    platform::HeadlessWindowSystem system;
};

// Removes what a start stores, so a test starts from a fresh store also when several tests
// share one process.
inline void clearStartupSettings() {
    for (const char* name : {"Options", "Remain Time", "Navigator", "Running"})
        klvDelReg("Settings", name);
}

// The stored "Options" value when it is exactly 452 bytes.
inline std::optional<OptionsRecord> storedOptions() {
    OptionsRecord record;
    if (klvGetReg("Settings", "Options", &record, sizeof record) != KLV_OPTIONS_SIZE)
        return std::nullopt;
    return record;
}

inline bool sameBytes(const OptionsRecord& a, const OptionsRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Handles the next modal window (a box or dialog run by exec()) once it is up: act gets it and
// must close it. The check runs from the modal window's own event loop.
class ModalResponder {
public:
    explicit ModalResponder(std::function<void(QWidget*)> act) : m_act(std::move(act)) {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            m_poll.stop();
            m_act(modal);
        });
        m_poll.start();
    }

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_poll;
};

// Saves a picture for a person to look at when KLV_SCREENSHOT_DIR names a folder.
inline void keepScreenshot(QWidget& widget, const QString& name) {
    if (const char* dir = std::getenv("KLV_SCREENSHOT_DIR"))
        widget.grab().save(QDir(dir).filePath(name));
}

} // namespace klv::test

#include "app/settings/feature_lock.h"

#include "app/settings/input_dialog.h"
#include "app/settings/password_scramble.h"
#include "app/shell/message_route.h"
#include "app/shell/program_state.h"
#include "app/shell/registry_text.h"
#include "platform/ui/window_system.h"

#include <QApplication>

namespace klv::app {

namespace {

constexpr const char* kInstall = "Install";
constexpr const char* kPasswordValue = "Admin Password";

platform::WindowHandle boxOwner() {
    const MessageTarget* target = messageTarget();
    return target ? target->messageOwner() : 0;
}

} // namespace

FeatureLock::FeatureLock(const OptionsRecord& options) : m_options(options) {}

QString FeatureLock::storedPassword() {
    return QString::fromStdString(getRegText(kInstall, kPasswordValue, ""));
}

const char* FeatureLock::refusalMessage(GuardedFeature feature) {
    switch (feature) {
    case GuardedFeature::Options:
        return "Password Required to Change Options";
    case GuardedFeature::Plugins:
        return "Password Required to Manage Plugins";
    case GuardedFeature::Id3Tags:
        return "Password Required to Modify ID3 Tags";
    }
    return "";
}

QString FeatureLock::ask(const QString& prompt) const {
    if (m_ask)
        return m_ask(prompt);
    return InputDialog::ask(QApplication::activeWindow(), prompt);
}

void FeatureLock::lockChanged() const {
    if (m_lockChanged)
        m_lockChanged();
}

bool FeatureLock::locked() const {
    return m_options.LockEnabled != 0 && !m_authenticated;
}

bool FeatureLock::authenticate(bool askForPassword) {
    if (m_options.LockEnabled == 0) {
        m_authenticated = false;
        return true;
    }
    if (m_authenticated)
        return true;
    if (!askForPassword)
        return false;
    const QString answer = ask(QStringLiteral("Please Enter Password"));
    if (answer.isEmpty())
        return false; // cancelled: the caller says what was refused
    if (scramblePassword(answer) != storedPassword()) {
        routeMessage(QStringLiteral("Password Incorrect"), 0, 0);
        return false;
    }
    m_authenticated = true;
    lockChanged();
    return true;
}

bool FeatureLock::mayOpen(GuardedFeature feature) {
    int32_t guarded = 0;
    switch (feature) {
    case GuardedFeature::Options:
        guarded = m_options.LockOptions;
        break;
    case GuardedFeature::Plugins:
        guarded = m_options.LockPlugins;
        break;
    case GuardedFeature::Id3Tags:
        guarded = m_options.LockID3;
        break;
    }
    if (guarded != 1)
        return true;
    if (authenticate(true))
        return true;
    routeMessage(QString::fromLatin1(refusalMessage(feature)), 0, 0);
    return false;
}

bool FeatureLock::mayOpenFeatureLockPage() {
    if (authenticate(true))
        return true;
    platform::windowSystem().messageBox(
        boxOwner(), "Authentication is required to modify these options", "Authentication Required",
        platform::kMbOk | platform::kMbIconInformation);
    return false;
}

void FeatureLock::pressLockButton() {
    if (locked()) {
        authenticate(true);
        return;
    }
    if (m_options.LockEnabled == 1) {
        m_authenticated = false;
        lockChanged();
        return;
    }
    routeMessage(
        QStringLiteral(
            "You must configure Feature Locking in the Options dialog in order to lock KLV"),
        0, 0);
}

bool FeatureLock::changePassword() {
    for (;;) {
        const QString first = ask(QStringLiteral("Enter New Password"));
        if (first.isEmpty())
            return false;
        const QString second = ask(QStringLiteral("Re-Enter Password"));
        if (first == second) {
            setRegText(kInstall, kPasswordValue, scramblePassword(first).toStdString());
            platform::windowSystem().messageBox(boxOwner(), "Password has been Changed",
                                                "Password Changed",
                                                platform::kMbOk | platform::kMbIconInformation);
            return true;
        }
        platform::windowSystem().messageBox(boxOwner(), "Your passwords did not match",
                                            "Verification Error",
                                            platform::kMbOk | platform::kMbIconExclamation);
    }
}

FeatureLock& featureLock() {
    static FeatureLock lock(programState().options);
    return lock;
}

} // namespace klv::app

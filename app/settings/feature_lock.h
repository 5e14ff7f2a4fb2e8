#pragma once
// Feature locking: an administrator password guards the options, the plug-in manager, the tag
// editor and the navigator's folder. Once the password has been given, everything is open
// until the lock button locks the program again or the program ends. The password is kept
// scrambled as "Admin Password" under "Install"; the authenticated flag is never stored.
// [ui-thread]

#include "klv3.h"

#include <QString>

#include <functional>

namespace klv::app {

enum class GuardedFeature {
    Options, // the options dialog
    Plugins, // the plug-in manager
    Id3Tags, // the ID3 tag editor
};

class FeatureLock {
public:
    // Asks for a password with the input dialog; an empty answer means cancelled.
    using AskPassword = std::function<QString(const QString& prompt)>;

    // Reads LockEnabled and the Lock* flags from options at every check.
    explicit FeatureLock(const OptionsRecord& options);

    // The password input; the default shows frmGetInput over the active window.
    void setAskPassword(AskPassword ask) { m_ask = std::move(ask); }
    // Runs whenever the program becomes open or locked (the main window's LockChange).
    void setLockChanged(std::function<void()> changed) { m_lockChanged = std::move(changed); }

    // Authenticate: true when the program is open or the right password was given (asking
    // only when ask is true). With LockEnabled 0 the authenticated flag is dropped.
    bool authenticate(bool ask);
    bool authenticated() const { return m_authenticated; }
    // The program is locked while LockEnabled is 1 and nobody has authenticated.
    bool locked() const;

    // Whether a guarded feature may open now, asking for the password when it is guarded; a
    // refusal shows the feature's message in the status bar.
    bool mayOpen(GuardedFeature feature);
    // The "Feature Lock" page of the options always asks; a refusal shows a box.
    bool mayOpenFeatureLockPage();
    // The master section's lock button.
    void pressLockButton();

    // The Set / Change button: asks twice for the new password until both agree (an empty
    // answer ends without change), stores it scrambled and says so. True when stored.
    bool changePassword();

    static QString storedPassword();
    static bool hasPassword() { return !storedPassword().isEmpty(); }

    static const char* refusalMessage(GuardedFeature feature);

private:
    QString ask(const QString& prompt) const;
    void lockChanged() const;

    const OptionsRecord& m_options;
    bool m_authenticated = false;
    AskPassword m_ask;
    std::function<void()> m_lockChanged;
};

// The program's feature lock, on the program's options.
FeatureLock& featureLock();

} // namespace klv::app

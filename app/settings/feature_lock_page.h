#pragma once
// The enabling rules of the options dialog's "Feature Lock" page, apart from the page's
// widgets so that the page applies them and tests check them. The page recomputes them when
// it opens, after a password change and when "Require Authentication for the Following
// Features:" changes.

#include <QString>

namespace klv::app {

struct FeatureLockPageState {
    bool lockEnabledChecked;  // chkLockEnabled: unchecked whenever no password is stored
    bool lockEnabledEnabled;  // chkLockEnabled
    bool frameEnabled;        // the frame "Features to Restrict:"
    bool featureBoxesEnabled; // chkLockOptions, chkLockPlugins, chkLockID3, chkLockNav
    bool navDirEnabled;       // txtNavDir and "Browse..."
    QString passwordCaption;  // the password button: "S&et" or "Chang&e"
};

// passwordStored: a password is stored; lockEnabledChecked and lockNavChecked: the current
// state of chkLockEnabled and chkLockNav.
FeatureLockPageState featureLockPageState(bool passwordStored, bool lockEnabledChecked,
                                          bool lockNavChecked);

// The note the page shows above its password button.
inline const char* const kFeatureLockNote = "A password must be set in order to restrict features:";

} // namespace klv::app

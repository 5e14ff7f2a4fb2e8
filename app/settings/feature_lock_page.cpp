#include "app/settings/feature_lock_page.h"

namespace klv::app {

FeatureLockPageState featureLockPageState(bool passwordStored, bool lockEnabledChecked,
                                          bool lockNavChecked) {
    FeatureLockPageState state{};
    // Without a password there is nothing to authenticate against: locking cannot be on.
    state.lockEnabledChecked = passwordStored && lockEnabledChecked;
    state.lockEnabledEnabled = passwordStored;
    state.frameEnabled = passwordStored;
    state.featureBoxesEnabled = state.lockEnabledChecked;
    state.navDirEnabled = state.lockEnabledChecked && lockNavChecked;
    state.passwordCaption = passwordStored ? QStringLiteral("Chang&e") : QStringLiteral("S&et");
    return state;
}

} // namespace klv::app

#include "app/settings/options_dialog.h"

#include "app/shell/desk.h"

namespace klv::app {

void showOptionsDialog(Desk& desk) {
    (void)desk;
}

} // namespace klv::app

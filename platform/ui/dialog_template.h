#pragma once
// Dialogs built from templates. The templates, the notifications and the host calls are part
// of the plug-in interface and declared in the public klv_dialog.h; the host calls are served
// by the registered window system (window_system.h), implemented in dialog_template.cpp.

#include "klv_dialog.h"

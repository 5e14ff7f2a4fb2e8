#pragma once
// The help pages and the about box. [ui-thread]

#include "platform/ui/window_system.h"

#include <QString>

#include <cstdint>

namespace klv::app {

// Help topics the program opens.
constexpr int32_t kTopicGettingStarted = 1; // first start
constexpr int32_t kTopicOptions = 34;       // options dialog
constexpr int32_t kTopicPlugins = 35;       // plug-in manager

// The help pages in the program folder, as handed to the help viewer.
QString helpFilePath();
// Opens topic of the help pages through the engine's help service.
void showHelpTopic(platform::WindowHandle window, int32_t topic);

// "Kelvara version " major "." minor revision " (DLL version 3.401)".
QString aboutText();
// The about box: "About Kelvara", information icon, OK; owned by the main window.
void showAbout();

} // namespace klv::app

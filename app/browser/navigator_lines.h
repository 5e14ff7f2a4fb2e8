#pragma once
// What the navigator asks of the desk's lines, kept in one place so the window itself does not
// depend on how a line is built. [ui-thread]

#include <QString>

#include <functional>

class QMenu;

namespace klv::app {

class Desk;

// Whether line number (0-based) may take a file from the navigator: it exists and is not
// playing.
bool lineTakesFile(Desk& desk, int number);
// Loads path onto line number, as a drop on the line would.
void loadOnLine(Desk& desk, int number, const QString& path);

// The height of the first line and the crossfader: what the navigator leaves free above it
// while the main window fills the screen.
int deskTopHeight(Desk& desk);

// Fills submenu with "Line 1" .. "Line n", each enabled while that line takes a file; choosing
// one calls open with its line number.
void fillLineMenu(Desk& desk, QMenu& submenu, const std::function<void(int)>& open);

} // namespace klv::app

#pragma once
// The program's icon, drawn in code to match the installed kelvara.svg (two platters joined by
// a crossfader): Qt here has no SVG reader, and a picture drawn at each size stays crisp.
// [ui-thread]

#include <QIcon>

namespace klv::app {

QIcon kelvaraIcon();

} // namespace klv::app

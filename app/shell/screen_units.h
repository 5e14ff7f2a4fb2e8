#pragma once
// Screen measures in the units the program's layouts are written in. A twip is 1/1440 inch;
// the screen's logical resolution says how many of them make a pixel (15 at 96 dpi). Every
// function gives 0 when there is no screen to ask. [ui-thread]

#include <QSize>

#include <cstdint>

class QWidget;

namespace klv::app {

// Twips per pixel of the primary screen, horizontally and vertically (0: no screen).
double twipsPerPixelX();
double twipsPerPixelY();

// Conversions for a given number of twips per pixel, rounded to the nearest integer; 0 when
// twipsPerPixel is 0.
int32_t twipsToPixels(int32_t twips, double twipsPerPixel);
int32_t pixelsToTwips(int32_t pixels, double twipsPerPixel);

int32_t twipsToPixelsX(int32_t twips);
int32_t pixelsToTwipsX(int32_t pixels);
int32_t pixelsToTwipsY(int32_t pixels);

// How many 90-pixel lines fit on the primary screen beside the master section (0: no screen).
int32_t maxLines();

// Removes (hide) or restores the window's title bar and border. The window keeps its
// visibility; the caller moves or resizes it afterwards.
void hideCaptionBar(QWidget& window, bool hide);

// The smallest size the navigator window can be dragged to.
constexpr QSize kNavigatorMinimumSize(430, 150);
// Keeps window at least minimum in size when the user drags its border.
void keepMinimumSize(QWidget& window, const QSize& minimum);

} // namespace klv::app

#include "app/shell/screen_units.h"

#include "app/shell/default_options.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace klv::app {

namespace {

constexpr double kTwipsPerInch = 1440.0;

double twipsPerPixel(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0.0 ? kTwipsPerInch / dpi : 0.0;
}

} // namespace

double twipsPerPixelX() {
    return twipsPerPixel(true);
}

double twipsPerPixelY() {
    return twipsPerPixel(false);
}

int32_t twipsToPixels(int32_t twips, double twipsPerPixel) {
    if (twipsPerPixel <= 0.0)
        return 0;
    return static_cast<int32_t>(std::lround(twips / twipsPerPixel));
}

int32_t pixelsToTwips(int32_t pixels, double twipsPerPixel) {
    if (twipsPerPixel <= 0.0)
        return 0;
    return static_cast<int32_t>(std::lround(pixels * twipsPerPixel));
}

int32_t twipsToPixelsX(int32_t twips) {
    return twipsToPixels(twips, twipsPerPixelX());
}

int32_t pixelsToTwipsX(int32_t pixels) {
    return pixelsToTwips(pixels, twipsPerPixelX());
}

int32_t pixelsToTwipsY(int32_t pixels) {
    return pixelsToTwips(pixels, twipsPerPixelY());
}

int32_t maxLines() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double tpp = twipsPerPixelX();
    if (!screen || tpp <= 0.0)
        return 0;
    // The screen's width in twips over whole twips per pixel: its width in pixels wherever
    // the resolution is a whole number of twips per pixel.
    const auto widthTwips = std::lround(screen->geometry().width() * tpp);
    const auto wholeTpp = std::lround(tpp);
    if (wholeTpp <= 0)
        return 0;
    return maxLinesForWidth(static_cast<int32_t>(widthTwips / wholeTpp));
}

void hideCaptionBar(QWidget& window, bool hide) {
    const bool visible = window.isVisible();
    // Changing the flags re-creates the native window, which hides it.
    window.setWindowFlag(Qt::FramelessWindowHint, hide);
    if (visible)
        window.show();
}

void keepMinimumSize(QWidget& window, const QSize& minimum) {
    window.setMinimumSize(minimum);
}

} // namespace klv::app

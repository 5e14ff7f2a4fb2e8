#pragma once
// The drawing calls of the displays: lines with a current position (the end point of a line is
// not drawn, so a polyline's corners are drawn once), rectangle fills and a nearest-pixel
// stretch copy. Everything is clipped to the canvas: no call writes outside its pixels.

#include "engine/display/draw_canvas.h"

#include <cstdint>
#include <initializer_list>

namespace klv::engine {

struct Point {
    int32_t x;
    int32_t y;
};

class LinePainter {
public:
    LinePainter(const Canvas& canvas, Pen pen) : m_canvas(canvas), m_pen(pen) {}

    void setPen(Pen pen) { m_pen = pen; }
    Pen pen() const { return m_pen; }

    void moveTo(int32_t x, int32_t y) { m_at = Point{x, y}; }
    // Draws from the current position up to, not including, (x, y), which becomes current.
    void lineTo(int32_t x, int32_t y);
    // moveTo the first point, then lineTo each further point.
    void polyline(std::initializer_list<Point> points);
    void line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        moveTo(x0, y0);
        lineTo(x1, y1);
    }

private:
    void plot(int32_t x, int32_t y) const {
        if (m_canvas.contains(x, y))
            m_canvas.row(y)[x] = m_pen.pixel;
    }

    Canvas m_canvas;
    Pen m_pen;
    Point m_at{0, 0};
};

// Fills the rectangle [x, x + width) x [y, y + height); nothing for an empty size.
void fillRect(const Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
              Brush brush);

// Copies the whole of source onto target's rectangle at (x, y) of width x height, scaling by
// taking the nearest source pixel (rows and columns are dropped or repeated, colours never
// mixed). Parts of the rectangle outside the target are left out.
void stretchCopy(const Canvas& source, const Canvas& target, int32_t x, int32_t y, int32_t width,
                 int32_t height);

} // namespace klv::engine

#include "engine/display/draw_primitives.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace klv::engine {

void LinePainter::lineTo(int32_t x1, int32_t y1) {
    // Bresenham over the whole line; the target point itself is left for the next line.
    int32_t x = m_at.x;
    int32_t y = m_at.y;
    const int64_t dx = std::llabs(static_cast<int64_t>(x1) - x);
    const int64_t dy = std::llabs(static_cast<int64_t>(y1) - y);
    const int32_t stepX = x < x1 ? 1 : -1;
    const int32_t stepY = y < y1 ? 1 : -1;
    int64_t error = dx - dy;
    while (x != x1 || y != y1) {
        plot(x, y);
        const int64_t twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            x += stepX;
        }
        if (twice < dx) {
            error += dx;
            y += stepY;
        }
    }
    m_at = Point{x1, y1};
}

void LinePainter::polyline(std::initializer_list<Point> points) {
    bool first = true;
    for (const Point& p : points) {
        if (first)
            moveTo(p.x, p.y);
        else
            lineTo(p.x, p.y);
        first = false;
    }
}

void fillRect(const Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
              Brush brush) {
    if (width <= 0 || height <= 0)
        return;
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + width, canvas.width);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + height, canvas.height);
    if (left >= right)
        return;
    for (int64_t row = top; row < bottom; ++row) {
        uint32_t* line = canvas.row(static_cast<int32_t>(row));
        std::fill(line + left, line + right, brush.pixel);
    }
}

void stretchCopy(const Canvas& source, const Canvas& target, int32_t x, int32_t y, int32_t width,
                 int32_t height) {
    if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0)
        return;
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + width, target.width);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + height, target.height);
    if (left >= right || top >= bottom)
        return;
    // The source column of the first target column, then stepped by whole and fractional parts
    // so that no division is made per pixel.
    const int64_t firstPos = (left - x) * source.width;
    const int64_t firstColumn = firstPos / width;
    const int64_t firstRemainder = firstPos % width;
    const int64_t wholeStep = source.width / width;
    const int64_t partStep = source.width % width;
    int64_t previousSourceRow = -1;
    const uint32_t* previousLine = nullptr;
    for (int64_t row = top; row < bottom; ++row) {
        uint32_t* line = target.row(static_cast<int32_t>(row));
        const int64_t sourceRow = (row - y) * source.height / height;
        if (sourceRow == previousSourceRow) {
            std::memcpy(line + left, previousLine + left,
                        static_cast<size_t>(right - left) * sizeof(uint32_t));
            continue;
        }
        const uint32_t* from = source.row(static_cast<int32_t>(sourceRow));
        int64_t column = firstColumn;
        int64_t remainder = firstRemainder;
        for (int64_t col = left; col < right; ++col) {
            line[col] = from[column];
            column += wholeStep;
            remainder += partStep;
            if (remainder >= width) {
                remainder -= width;
                ++column;
            }
        }
        previousSourceRow = sourceRow;
        previousLine = line;
    }
}

} // namespace klv::engine

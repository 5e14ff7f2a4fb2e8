#include "app/settings/options_color_widgets.h"

#include "app/settings/options_values.h"
#include "app/shell/screen_units.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace klv::app {

namespace {

// Without a screen to ask, a twip is taken at the usual 96 dots per inch.
double twipsPerPixelYOr15() {
    const double perPixel = twipsPerPixelY();
    return perPixel > 0 ? perPixel : 15.0;
}

} // namespace

QColor colorOfReference(int32_t reference) {
    const auto value = static_cast<uint32_t>(reference);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

ColorSample::ColorSample(const OptionsRecord& options, QWidget* parent)
    : QWidget(parent), m_options(options) {
    setObjectName(QStringLiteral("pSample"));
    setFixedHeight(pictureHeight());
    setMinimumWidth(200);
    setCursor(Qt::PointingHandCursor);
}

int ColorSample::pictureHeight() {
    return static_cast<int>(std::lround(kSampleHeightTwips / twipsPerPixelYOr15()));
}

QSize ColorSample::sizeHint() const {
    return {240, pictureHeight()};
}

int ColorSample::twipsToY(int32_t twips) const {
    return static_cast<int>(std::lround(twips / twipsPerPixelYOr15()));
}

int ColorSample::elementAt(int y) const {
    const auto twips = static_cast<int32_t>(std::lround(y * twipsPerPixelYOr15()));
    const auto heightTwips = static_cast<int32_t>(std::lround(height() * twipsPerPixelYOr15()));
    return colorElementAtHeight(twips, heightTwips);
}

void ColorSample::setMarkedElement(int element) {
    m_marked = element;
    update();
}

void ColorSample::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit elementPicked(elementAt(qRound(event->position().y())));
}

void ColorSample::mouseMoveEvent(QMouseEvent* event) {
    const int y = qRound(event->position().y());
    if ((event->buttons() & Qt::LeftButton) && y >= 0 && y < height())
        emit elementPicked(elementAt(y));
}

void ColorSample::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect picture(kArrowWidth, 0, width() - kArrowWidth, height());
    const int heightTwips = static_cast<int>(std::lround(height() * twipsPerPixelYOr15()));

    p.fillRect(picture, colorOfReference(m_options.BackColor));

    QFont label = font();
    label.setBold(m_options.Bold != 0);
    p.setFont(label);
    p.setPen(colorOfReference(m_options.TextColor));
    p.drawText(QRect(picture.left() + 8, 0, picture.width() - 16, twipsToY(240)),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Text Label"));

    // The LED display: its lit and dimmed sample texts on its own background.
    const QRect led(picture.left() + 8, twipsToY(435), picture.width() - 16,
                    twipsToY(heightTwips - 120) - twipsToY(435) - 2);
    p.fillRect(led, colorOfReference(m_options.LCDBackColor));
    // The segment texts fill their bands without running into each other.
    QFont segment = font();
    segment.setBold(true);
    segment.setPixelSize(std::max(8, twipsToY(645) - twipsToY(435) - 3));
    p.setFont(segment);
    p.setPen(colorOfReference(m_options.LCDLitColor));
    p.drawText(
        QRect(led.left() + 6, twipsToY(435), led.width() - 12, twipsToY(645) - twipsToY(435)),
        Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lighted Segment"));
    p.setPen(colorOfReference(m_options.LCDDimColor));
    p.drawText(
        QRect(led.left() + 6, twipsToY(645), led.width() - 12, twipsToY(840) - twipsToY(645)),
        Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Dimmed Segment"));

    // The focus rectangle runs round the whole sample; its lowest band is where it is picked.
    QPen focus(colorOfReference(m_options.FocusColor));
    focus.setWidth(2);
    p.setPen(focus);
    p.setBrush(Qt::NoBrush);
    p.drawRect(picture.adjusted(1, 1, -1, -1));

    // The marker arrow beside the element being edited.
    const int y = twipsToY(colorElementMarkTwips(m_marked, heightTwips));
    QPainterPath arrow;
    arrow.moveTo(2, y - 5);
    arrow.lineTo(kArrowWidth - 3, y);
    arrow.lineTo(2, y + 5);
    arrow.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(arrow, palette().color(QPalette::WindowText));
}

ColorGrid::ColorGrid(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pColor"));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
}

QSize ColorGrid::sizeHint() const {
    return {kColorBoxColumns * (kBox + kGap) + kGap, kColorBoxRows * (kBox + kGap) + kGap};
}

QRect ColorGrid::boxRect(int box) const {
    const int row = box / kColorBoxColumns;
    const int column = box % kColorBoxColumns;
    return {kGap + column * (kBox + kGap), kGap + row * (kBox + kGap), kBox, kBox};
}

void ColorGrid::setOutlined(int box) {
    m_outlined = box;
    if (box >= 0)
        m_cursor = box;
    update();
}

void ColorGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto& boxes = colorBoxes();
    for (int box = 0; box < kColorBoxCount; ++box) {
        const QRect r = boxRect(box);
        p.fillRect(r, colorOfReference(boxes[static_cast<size_t>(box)]));
        if (box == m_outlined) {
            p.setPen(QPen(palette().color(QPalette::WindowText), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(-2, -2, 1, 1));
        }
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(boxRect(m_cursor).adjusted(-kGap / 2, -kGap / 2, kGap / 2 - 1, kGap / 2 - 1));
    }
}

void ColorGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    for (int box = 0; box < kColorBoxCount; ++box) {
        if (boxRect(box).contains(event->position().toPoint())) {
            m_cursor = box;
            emit boxPicked(box);
            return;
        }
    }
}

void ColorGrid::keyPressEvent(QKeyEvent* event) {
    int row = m_cursor / kColorBoxColumns;
    int column = m_cursor % kColorBoxColumns;
    switch (event->key()) {
    case Qt::Key_Left:
        column = std::max(0, column - 1);
        break;
    case Qt::Key_Right:
        column = std::min(kColorBoxColumns - 1, column + 1);
        break;
    case Qt::Key_Up:
        row = std::max(0, row - 1);
        break;
    case Qt::Key_Down:
        row = std::min(kColorBoxRows - 1, row + 1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit boxPicked(m_cursor);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    m_cursor = row * kColorBoxColumns + column;
    update();
}

} // namespace klv::app

#include "app/decks/cross_fader.h"

#include "app/shell/desk.h"
#include "app/shell/interval_timer.h"
#include "app/shell/screen_units.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace klv::app {

namespace {

constexpr int kKnobTop = 4;
constexpr int kKnobHeight = 21;
// Presses on the surface outside this span belong to the auto-fade buttons.
constexpr int kSurfaceLeft = 40;
constexpr int kSurfaceRight = 218;
// A knob dragged to within one pixel of the centre stays in the centre.
constexpr int kDetentLow = 111;
constexpr int kDetentHigh = 115;
constexpr int kFadeSpeeds = 5;

QColor colorOf(int32_t colorRef) {
    const auto ref = static_cast<uint32_t>(colorRef);
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

// Gain of the side that fades on the opposite half: full in the middle, 0 at the far end.
int32_t sideValue(int distance) {
    return static_cast<int32_t>(std::nearbyint(distance * 100.0 / 72.0));
}

const QRect kLabelRects[2] = {QRect(0, 2, 37, 11), QRect(222, 2, 37, 11)};

void paintArrow(QPainter& p, const QRectF& r, bool right, const QColor& color) {
    QPainterPath path;
    const qreal cy = r.center().y();
    const qreal l = r.left() + r.width() * 0.3;
    const qreal rr = r.right() - r.width() * 0.3;
    if (right) {
        path.moveTo(l, r.top() + r.height() * 0.25);
        path.lineTo(rr, cy);
        path.lineTo(l, r.bottom() - r.height() * 0.25);
    } else {
        path.moveTo(rr, r.top() + r.height() * 0.25);
        path.lineTo(l, cy);
        path.lineTo(rr, r.bottom() - r.height() * 0.25);
    }
    path.closeSubpath();
    p.fillPath(path, color);
}

void paintSmallButton(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(78, 82, 92));
    g.setColorAt(1, QColor(38, 40, 46));
    p.setPen(QPen(QColor(12, 12, 14), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

} // namespace

CrossFader::CrossFader(Desk& desk, QWidget* parent, IntervalTimer* fadeTimer)
    : KnobInput(parent), m_desk(desk), m_timer(fadeTimer) {
    setFixedSize(kWidth, kHeight);
    if (!m_timer)
        m_timer = new QtIntervalTimer(m_intervalMs, this);
    else
        m_timer->setParent(this);
    connect(m_timer, &IntervalTimer::timeout, this, &CrossFader::fadeTick);
    updateLayout();
}

QRect CrossFader::autoFadeRect(int direction) {
    return direction == 0 ? QRect(22, 12, 17, 17) : QRect(220, 12, 17, 17);
}

QRect CrossFader::swapRect() {
    return QRect(242, 12, 17, 17);
}

bool CrossFader::fading() const {
    return m_timer->isActive();
}

void CrossFader::setXFLabel(int side, const QString& text) {
    m_labels[side == 0 ? 0 : 1] = text;
    update();
}

void CrossFader::placeKnob(int position) {
    m_position = std::clamp(position, kLeftEnd, kRightEnd);
    if (m_position > kCentre) {
        m_valueRight = 100;
        m_valueLeft = sideValue(kRightEnd - m_position);
    } else {
        m_valueLeft = 100;
        m_valueRight = sideValue(m_position - kLeftEnd);
    }
    update();
    applyCrossFaderValues(m_desk, m_valueLeft, m_valueRight);
    emit valuesChanged(m_valueLeft, m_valueRight);
}

void CrossFader::xfReverse() {
    placeKnob(kLeftEnd + kRightEnd - m_position);
}

void CrossFader::centerFader() {
    placeKnob(kCentre);
}

void CrossFader::updateLayout() {
    const int speed = std::clamp(m_desk.state().options.FadeSpeed, 0, kFadeSpeeds - 1);
    const int interval = 81 - 20 * speed;
    // A real timer's interval is fixed at creation: a new speed gets a new timer, and a glide
    // in progress goes on at the new speed.
    if (auto* real = qobject_cast<QtIntervalTimer*>(m_timer); real && interval != m_intervalMs) {
        const bool running = real->isActive();
        real->stop();
        real->deleteLater();
        m_timer = new QtIntervalTimer(interval, this);
        connect(m_timer, &IntervalTimer::timeout, this, &CrossFader::fadeTick);
        if (running)
            m_timer->start();
    }
    m_intervalMs = interval;
    m_fadeStep = speed + 1;
    QFont small = font();
    // Fine screens keep the labels in proportion with the rest of the fader.
    if (twipsPerPixelX() > 0 && twipsPerPixelX() < 15)
        small.setPointSize(5);
    else
        small.setPixelSize(9);
    setFont(small);
    update();
}

void CrossFader::startFade(int direction) {
    if (m_timer->isActive() && m_fadeDirection == direction) {
        m_fadeStep *= 2;
        return;
    }
    const int speed = std::clamp(m_desk.state().options.FadeSpeed, 0, kFadeSpeeds - 1);
    m_fadeStep = speed + 1;
    m_fadeDirection = direction;
    m_fadePosition = m_position;
    m_timer->start();
}

void CrossFader::fadeTick() {
    if (m_fadeDirection == 1) {
        if (m_fadePosition + m_fadeStep < kRightEnd) {
            m_fadePosition += m_fadeStep;
        } else {
            m_fadePosition = kRightEnd;
            m_timer->stop();
        }
    } else {
        if (m_fadePosition - m_fadeStep > kLeftEnd) {
            m_fadePosition -= m_fadeStep;
        } else {
            m_fadePosition = kLeftEnd;
            m_timer->stop();
        }
    }
    placeKnob(static_cast<int>(m_fadePosition));
}

void CrossFader::leftPressed(const QPoint& position) {
    const int x = position.x();
    for (int direction = 0; direction < 2; ++direction) {
        if (autoFadeRect(direction).contains(position)) {
            startFade(direction);
            return;
        }
    }
    if (swapRect().contains(position)) {
        m_desk.swapXFader();
        return;
    }
    const QRect knob(m_position, kKnobTop, kKnobWidth, kKnobHeight);
    if (knob.contains(position)) {
        m_timer->stop();
        m_grab = Grab::Knob;
        m_grabOffset = x - m_position;
        return;
    }
    if (x < kSurfaceLeft || x > kSurfaceRight)
        return;
    m_timer->stop();
    m_grab = Grab::Surface;
    placeKnob(x - kKnobWidth / 2);
}

void CrossFader::leftMoved(const QPoint& position) {
    if (m_grab == Grab::Surface) {
        placeKnob(position.x() - kKnobWidth / 2);
    } else if (m_grab == Grab::Knob) {
        int p = std::clamp(position.x() - m_grabOffset, kLeftEnd, kRightEnd);
        if (p > kDetentLow && p < kDetentHigh)
            p = kCentre;
        if (p != m_position)
            placeKnob(p);
    }
}

void CrossFader::leftReleased(const QPoint&) {
    m_grab = Grab::None;
}

void CrossFader::doubleClicked(int32_t mode, const QPoint& position) {
    // The wheel does nothing here; only a real double-click on the knob centres it.
    if (mode != kDoubleClick)
        return;
    if (QRect(m_position, kKnobTop, kKnobWidth, kKnobHeight).contains(position)) {
        m_grab = Grab::None;
        centerFader();
    }
}

void CrossFader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const OptionsRecord& options = m_desk.state().options;
    p.fillRect(rect(), colorOf(options.BackColor));

    // The track the knob glides on, with a centre mark.
    const QRectF track(kLeftEnd + kKnobWidth / 2.0 - 2, 12.5, kRightEnd - kLeftEnd + 4, 5);
    p.setPen(QPen(QColor(12, 12, 14), 1));
    p.setBrush(QColor(24, 24, 28));
    p.drawRoundedRect(track, 2, 2);
    p.setPen(QPen(colorOf(options.TextColor), 1));
    const qreal centreX = kCentre + kKnobWidth / 2.0;
    p.drawLine(QPointF(centreX, 3), QPointF(centreX, 8));
    p.drawLine(QPointF(centreX, 22), QPointF(centreX, 27));

    p.setPen(colorOf(options.TextColor));
    p.drawText(kLabelRects[0], Qt::AlignLeft | Qt::AlignVCenter, m_labels[0]);
    p.drawText(kLabelRects[1], Qt::AlignLeft | Qt::AlignVCenter, m_labels[1]);

    const QColor glyph(170, 176, 186);
    const QColor lit(255, 176, 40);
    for (int direction = 0; direction < 2; ++direction) {
        const QRectF r = autoFadeRect(direction);
        paintSmallButton(p, r);
        const bool active = fading() && m_fadeDirection == direction;
        paintArrow(p, r, direction == 1, active ? lit : glyph);
    }
    const QRectF swap = swapRect();
    paintSmallButton(p, swap);
    paintArrow(p, QRectF(swap.left(), swap.top() - 3, swap.width(), swap.height() - 2), true,
               glyph);
    paintArrow(p, QRectF(swap.left(), swap.top() + 5, swap.width(), swap.height() - 2), false,
               glyph);

    // The knob: a cap with grip lines and a centre line.
    const QRectF knob(m_position + 0.5, kKnobTop + 0.5, kKnobWidth - 1, kKnobHeight - 1);
    QLinearGradient g(knob.topLeft(), knob.topRight());
    g.setColorAt(0, QColor(120, 124, 134));
    g.setColorAt(0.5, QColor(200, 204, 212));
    g.setColorAt(1, QColor(90, 94, 104));
    p.setPen(QPen(QColor(12, 12, 14), 1));
    p.setBrush(g);
    p.drawRoundedRect(knob, 3, 3);
    p.setPen(QPen(QColor(60, 62, 70), 1));
    for (int i = -2; i <= 2; ++i) {
        if (i == 0)
            continue;
        const qreal x = knob.center().x() + i * 4;
        p.drawLine(QPointF(x, knob.top() + 4), QPointF(x, knob.bottom() - 4));
    }
    p.setPen(QPen(QColor(20, 20, 20), 2));
    p.drawLine(QPointF(knob.center().x(), knob.top() + 2),
               QPointF(knob.center().x(), knob.bottom() - 2));
}

} // namespace klv::app

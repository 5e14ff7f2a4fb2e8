#include "app/settings/song_eq.h"

#include <QLinearGradient>
#include <QMenu>
#include <QPainter>

#include <algorithm>

namespace klv::app {

namespace {

// Band areas are 17 pixels wide from x = 4; a band's knob sits 2 pixels into its area.
constexpr int kBandLeft = 4;
constexpr int kBandPitch = 17;
constexpr int kKnobInset = 2;

} // namespace

SongEq::SongEq(QWidget* parent) : KnobInput(parent), m_menu(new QMenu(this)) {
    setObjectName(QStringLiteral("ctlEQ"));
    setFixedSize(kWidth, kHeight);
    m_menu->addAction(QStringLiteral("Hide Equalizer"), this, &SongEq::hideRequested);
    m_menu->addAction(QStringLiteral("Flatten EQ"), this, &SongEq::flatten);
}

QRect SongEq::knobRect(int band) const {
    return QRect(kBandLeft + kBandPitch * band + kKnobInset, m_positions[band], kKnobWidth,
                 kKnobHeight);
}

float SongEq::level(int band) const {
    return static_cast<float>(kZero - m_positions.at(static_cast<size_t>(band))) / 2.0f;
}

void SongEq::moveKnob(int band, int position, bool report) {
    m_positions[band] = std::clamp(position, kTop, kBottom);
    update();
    if (report)
        emit eqChanged(band, level(band));
}

void SongEq::setBand(int32_t band, int32_t halfSteps) {
    if (band < 0 || band >= kBands)
        return;
    moveKnob(band, kZero - std::clamp(halfSteps, -18, 18), false);
}

void SongEq::flatten() {
    for (int band = 0; band < kBands; ++band)
        moveKnob(band, kZero, true);
}

void SongEq::leftPressed(const QPoint& position) {
    m_dragBand = -1;
    for (int band = 0; band < kBands; ++band) {
        if (knobRect(band).contains(position)) {
            m_dragBand = band;
            m_pressY = position.y();
            m_pressPosition = m_positions[band];
            return;
        }
    }
}

void SongEq::leftMoved(const QPoint& position) {
    if (m_dragBand < 0)
        return;
    moveKnob(m_dragBand, m_pressPosition + position.y() - m_pressY, true);
}

void SongEq::leftReleased(const QPoint&) {
    m_dragBand = -1;
}

void SongEq::rightPressed(const QPoint& position) {
    m_menu->popup(mapToGlobal(position));
}

void SongEq::doubleClicked(int32_t mode, const QPoint& position) {
    const int x = position.x();
    const int y = position.y();
    if (!(x > 1 && x <= 83 && y > 0 && y < 46))
        return;
    const int band = std::clamp((x - kBandLeft) / kBandPitch, 0, kBands - 1);
    switch (mode) {
    case kDoubleClick:
        moveKnob(band, kZero, true);
        break;
    case kWheelAway:
        moveKnob(band, m_positions[band] - 1, true);
        break;
    case kWheelTowards:
        moveKnob(band, m_positions[band] + 1, true);
        break;
    default:
        break; // a mode this control has no action for
    }
}

void SongEq::setColors(const QColor& text, const QColor& back) {
    m_text = text;
    m_back = back;
    update();
}

void SongEq::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_back);
    p.setRenderHint(QPainter::Antialiasing);
    // The zero line across all bands, through the middle of a knob at level 0.
    const int zeroY = kZero + kKnobHeight / 2;
    QColor mark = m_text;
    mark.setAlpha(90);
    p.setPen(QPen(mark, 1.0, Qt::DotLine));
    p.drawLine(QPointF(kBandLeft, zeroY + 0.5),
               QPointF(kBandLeft + kBands * kBandPitch - 2, zeroY + 0.5));
    for (int band = 0; band < kBands; ++band) {
        const QRect knob = knobRect(band);
        // The groove the knob runs in.
        const qreal grooveX = knob.center().x() + 0.5;
        p.setPen(QPen(m_text.darker(180), 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(grooveX, kTop + kKnobHeight / 2.0),
                   QPointF(grooveX, kBottom + kKnobHeight / 2.0));
        // The knob: a small bevelled cap with a centre mark.
        QLinearGradient cap(knob.topLeft(), knob.bottomLeft());
        cap.setColorAt(0.0, QColor(235, 235, 235));
        cap.setColorAt(1.0, QColor(140, 140, 140));
        p.setPen(QPen(QColor(60, 60, 60), 1.0));
        p.setBrush(cap);
        p.drawRoundedRect(QRectF(knob).adjusted(0.5, 0.5, -0.5, -0.5), 2.0, 2.0);
        p.setPen(QPen(QColor(30, 30, 30), 1.0));
        p.drawLine(QPointF(knob.left() + 2.5, knob.center().y() + 0.5),
                   QPointF(knob.right() - 1.5, knob.center().y() + 0.5));
    }
}

} // namespace klv::app

// How a line looks: panel, text rows, bars and knobs, buttons, status label, focus frame.

#include "app/decks/button_art.h"
#include "app/decks/line_control.h"
#include "app/decks/line_geometry.h"

#include "app/shell/desk.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace klv::app {

namespace {

QColor fromRef(int32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

QFont lineFont(const OptionsRecord& o) {
    // The small font keeps long names on one row; pixel sizes keep the rows' 15 pixels.
    QFont f(o.SmallFont ? QStringLiteral("Small Fonts") : QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(o.SmallFont ? 9 : 11);
    f.setBold(o.Bold != 0);
    return f;
}

// A sunk groove along a bar, with tick marks at the given positions.
void paintGroove(QPainter& p, const QRectF& groove) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 8, 10));
    p.drawRoundedRect(groove, 1.5, 1.5);
    p.setPen(QPen(QColor(90, 94, 104), 0.8));
    p.drawLine(groove.bottomLeft() + QPointF(1, 0.5), groove.bottomRight() + QPointF(-1, 0.5));
}

void paintCap(QPainter& p, const QRectF& r, const QColor& accent, bool vertical) {
    QLinearGradient g(r.topLeft(), vertical ? r.bottomLeft() : r.topRight());
    g.setColorAt(0, QColor(214, 218, 226));
    g.setColorAt(0.5, QColor(150, 154, 164));
    g.setColorAt(1, QColor(96, 100, 110));
    p.setPen(QPen(QColor(20, 20, 24), 0.8));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.4, 0.4, -0.4, -0.4), 2, 2);
    p.setPen(QPen(accent, 1.4));
    if (vertical)
        p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
    else
        p.drawLine(QPointF(r.center().x(), r.top() + 2), QPointF(r.center().x(), r.bottom() - 2));
}

} // namespace

void LineControl::resizeEvent(QResizeEvent* event) {
    KnobInput::resizeEvent(event);
    // The panel's size is fixed: every position below depends on it.
    if (size() != QSize(line::kWidth, line::kHeight))
        resize(line::kWidth, line::kHeight);
}

void LineControl::paintEvent(QPaintEvent*) {
    const OptionsRecord& o = m_desk.state().options;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    // Panel.
    QLinearGradient panel(0, 0, 0, height());
    panel.setColorAt(0, QColor(52, 55, 62));
    panel.setColorAt(1, QColor(30, 32, 37));
    p.fillRect(rect(), panel);

    // Text rows on the LCD's background.
    const QColor text = fromRef(o.TextColor);
    p.fillRect(QRect(1, 1, line::kWidth - 2, 49), fromRef(o.LCDBackColor));
    p.setFont(lineFont(o));
    p.setPen(text);
    for (int i = 0; i < 3; ++i) {
        const QRect row(line::kLabelLeft + 1, line::kLabelTops[i], line::kLabelWidth - 2,
                        line::kLabelHeight);
        const QString shown = p.fontMetrics().elidedText(m_labels[static_cast<size_t>(i)],
                                                         Qt::ElideRight, row.width());
        p.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }

    // Tracker.
    paintGroove(p, QRectF(3, line::kTrackerBar.top() + 5, 83, 3));
    if (trackerShown()) {
        paintCap(p,
                 QRectF(m_trackerLeft, line::kTrackerKnobTop, line::kTrackerKnobWidth,
                        line::kTrackerKnobHeight),
                 QColor(255, 176, 40), false);
    }

    // Pan.
    paintGroove(p, QRectF(5, line::kPanBar.top() + 6, 79, 3));
    p.setPen(QPen(QColor(120, 124, 134), 1));
    p.drawLine(QPointF(44.5, line::kPanBar.top() + 1), QPointF(44.5, line::kPanBar.top() + 4));
    paintCap(p, QRectF(m_panLeft, line::kPanKnobTop, line::kPanKnobWidth, line::kPanKnobHeight),
             QColor(40, 40, 44), false);

    // Fader: groove, scale marks at full, unity and silence.
    const qreal faderX = line::kFaderKnobLeft + line::kFaderKnobWidth / 2.0;
    const qreal half = line::kFaderKnobHeight / 2.0;
    paintGroove(p, QRectF(faderX - 2, line::kFaderMin + half - 4, 4,
                          line::kFaderMax - line::kFaderMin + 8));
    p.setPen(QPen(QColor(120, 124, 134), 1));
    for (int top : {line::kFaderMin, line::kFaderUnity, line::kFaderMax})
        p.drawLine(QPointF(3, top + half), QPointF(6, top + half));
    p.setPen(QPen(QColor(255, 176, 40), 1));
    p.drawLine(QPointF(38, line::kFaderUnity + half), QPointF(41, line::kFaderUnity + half));
    paintCap(
        p, QRectF(line::kFaderKnobLeft, m_faderTop, line::kFaderKnobWidth, line::kFaderKnobHeight),
        QColor(40, 40, 44), true);

    // Pitch.
    const qreal pitchX = line::kPitchKnobLeft + line::kPitchKnobWidth / 2.0;
    const qreal pitchHalf = line::kPitchKnobHeight / 2.0;
    paintGroove(p, QRectF(pitchX - 2, line::kPitchMin + pitchHalf - 4, 4,
                          line::kPitchMax - line::kPitchMin + 8));
    p.setPen(QPen(QColor(255, 176, 40), 1));
    p.drawLine(QPointF(46, line::kPitchCentre + pitchHalf),
               QPointF(50, line::kPitchCentre + pitchHalf));
    paintCap(
        p, QRectF(line::kPitchKnobLeft, m_pitchTop, line::kPitchKnobWidth, line::kPitchKnobHeight),
        m_pitchValue == 1000 ? QColor(40, 40, 44) : QColor(255, 120, 40), true);

    // Buttons.
    for (const ButtonRow& row : buttonTable()) {
        if (!buttonShown(row.button))
            continue;
        const bool lit = row.button == m_heldButton ? m_heldInside : buttonOn(row.button);
        paintButton(p, row.rect, row.art, lit);
    }

    // Status label.
    QFont small(QStringLiteral("Small Fonts"));
    small.setStyleHint(QFont::SansSerif);
    small.setPixelSize(8);
    small.setBold(true);
    p.setFont(small);
    p.setPen(fromRef(static_cast<int32_t>(m_statusColour)));
    p.drawText(line::kStatusRect, Qt::AlignCenter, m_statusText);

    // Focus frame.
    if (m_focused) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(fromRef(o.FocusColor), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace klv::app

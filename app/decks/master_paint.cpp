// How the master section looks: our own knobs, grooves and scales around the engine's
// pictures, with the buttons' pictures from the shared button art.

#include "app/decks/button_art.h"
#include "app/decks/master_layout.h"
#include "app/decks/master_section.h"
#include "app/settings/feature_lock.h"
#include "app/shell/desk.h"

#include <QPainter>

namespace klv::app {

namespace ml = masterlayout;

namespace {

QColor colorOf(int32_t colorRef) {
    const auto ref = static_cast<uint32_t>(colorRef);
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

void paintGroove(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(8, 8, 10), 1));
    p.setBrush(QColor(26, 26, 30));
    p.drawRoundedRect(r, 1.5, 1.5);
}

void paintFaderKnob(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(210, 212, 218));
    g.setColorAt(0.45, QColor(150, 154, 162));
    g.setColorAt(0.55, QColor(120, 124, 132));
    g.setColorAt(1, QColor(80, 84, 92));
    p.setPen(QPen(QColor(10, 10, 12), 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
    p.setPen(QPen(QColor(20, 20, 22), 2));
    p.drawLine(QPointF(r.left() + 3, r.center().y()), QPointF(r.right() - 3, r.center().y()));
}

void paintBandKnob(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(200, 204, 212));
    g.setColorAt(1, QColor(92, 96, 106));
    p.setPen(QPen(QColor(10, 10, 12), 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    p.setPen(QPen(QColor(20, 20, 22), 1));
    p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
}

} // namespace

void MasterSection::paintEvent(QPaintEvent*) {
    const OptionsRecord& options = m_desk.state().options;
    const QColor text = colorOf(options.TextColor);
    QPainter p(this);
    p.fillRect(rect(), colorOf(options.BackColor));
    p.setRenderHint(QPainter::Antialiasing);

    QFont small = font();
    small.setPixelSize(8);
    p.setFont(small);

    // Equalizer: a groove per band with a mark at flat, and the band's knob.
    p.setPen(text);
    p.drawText(QRect(0, 0, width(), 12), Qt::AlignCenter, QStringLiteral("MASTER EQ"));
    const qreal flatY = ml::kBandFlat + ml::kBandKnobHeight / 2.0;
    for (int band = 0; band < kBands; ++band) {
        const QRect knob = ml::bandKnob(band, ml::kBandFlat);
        const qreal cx = knob.center().x() + 0.5;
        paintGroove(p, QRectF(cx - 1.5, ml::kBandTopMin + 2, 3,
                              ml::kBandTopMax - ml::kBandTopMin + ml::kBandKnobHeight - 4));
        p.setPen(QPen(text, 1));
        p.drawLine(QPointF(knob.left() - 1, flatY), QPointF(knob.left() + 1, flatY));
        p.drawLine(QPointF(knob.right() - 0.5, flatY), QPointF(knob.right() + 1.5, flatY));
        paintBandKnob(p, ml::bandKnob(band, m_bandTop[static_cast<size_t>(band)]));
    }

    // Master faders and, with the secondary device, the headphone fader.
    const bool headphone = options.UseSecondary == 1;
    for (int index = 0; index < (headphone ? 3 : 2); ++index) {
        const QRect bar = ml::faderBar(index);
        const qreal cx = bar.center().x() + 0.5;
        paintGroove(p, QRectF(cx - 2, bar.top() + 4, 4, bar.height() - 8));
        p.setPen(QPen(text, 1));
        const int rest = index == 2 ? ml::kHeadphoneTopMin : ml::kFaderUnity;
        const qreal restY = rest + ml::kFaderKnobHeight / 2.0;
        p.drawLine(QPointF(bar.left() - 3, restY), QPointF(bar.left(), restY));
        p.drawLine(QPointF(bar.right() + 1, restY), QPointF(bar.right() + 4, restY));
        static const char* const kCaptions[] = {"L", "R", "PHONES"};
        p.drawText(QRect(bar.left() - 6, bar.top() - 11, bar.width() + 12, 10), Qt::AlignCenter,
                   QString::fromLatin1(kCaptions[index]));
        const int top = index == 2 ? m_headphoneTop : m_top[static_cast<size_t>(index)];
        paintFaderKnob(p, ml::faderKnob(index, top));
    }

    for (const ButtonRow& row : buttonTable()) {
        if (!buttonShown(row.button))
            continue;
        const bool pressed = m_grab == Grab::Button && m_pressedButton == row.button;
        switch (row.face) {
        case Face::Picture:
            paintButton(p, row.rect, row.art, (row.lit && this->*row.lit) || pressed);
            break;
        case Face::HeadphoneMode:
            paintHeadphoneMode(p, row.rect, options.HeadphoneMode);
            break;
        case Face::Lock:
            paintLock(p, row.rect,
                      featureLock().locked()
                          ? (pressed ? LockImage::LockedOn : LockImage::LockedOff)
                          : (pressed ? LockImage::UnlockedOn : LockImage::UnlockedOff));
            break;
        }
    }

    if (hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(colorOf(options.FocusColor), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace klv::app

#include "app/decks/button_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>

namespace klv::app {

namespace {

// Lit glyphs are amber like the LCD's digits; push buttons light white while held so that the
// pressed look differs from a toggle that is set.
const QColor kGlyphOff(170, 176, 186);
const QColor kGlyphLit(255, 176, 40);
const QColor kGlyphPressed(255, 255, 255);
const QColor kFaceTop(78, 82, 92);
const QColor kFaceBottom(38, 40, 46);
const QColor kFaceLitTop(96, 70, 30);
const QColor kFaceLitBottom(56, 38, 14);
const QColor kEdgeLight(140, 146, 158);
const QColor kEdgeDark(12, 12, 14);

bool isPush(int index) {
    switch (index) {
    case btn::kPlayPause:
    case btn::kStop:
    case btn::kOpen:
    case btn::kPrevious:
    case btn::kNext:
    case btn::kOptions:
    case btn::kPlugins:
    case btn::kHelp:
    case btn::kNavigator:
    case btn::kFullScreen:
    case btn::kLock:
        return true;
    default:
        return false;
    }
}

// A rounded face with a one-pixel bevel: raised when off, sunk when on.
void paintFace(QPainter& p, const QRectF& r, bool on, bool lit) {
    const qreal radius = std::min(r.width(), r.height()) * 0.22;
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const bool warm = on && lit;
    g.setColorAt(0, on ? (warm ? kFaceLitBottom : kFaceBottom) : kFaceTop);
    g.setColorAt(1, on ? (warm ? kFaceLitTop : kFaceTop.darker(130)) : kFaceBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(kEdgeDark);
    p.drawRoundedRect(r, radius, radius);
    const QRectF inner = r.adjusted(0.75, 0.75, -0.75, -0.75);
    p.setBrush(g);
    p.drawRoundedRect(inner, radius, radius);
    p.setPen(QPen(on ? kEdgeDark : kEdgeLight, 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(inner.left() + radius, inner.top() + 0.4),
               QPointF(inner.right() - radius, inner.top() + 0.4));
}

QColor glyphColour(int index, bool on) {
    if (!on)
        return kGlyphOff;
    return isPush(index) ? kGlyphPressed : kGlyphLit;
}

// Glyph box: a square in the middle of the face, leaving the bevel free.
QRectF glyphBox(const QRectF& r) {
    const qreal side = std::min(r.width(), r.height()) * 0.62;
    return QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
}

QPolygonF triangleRight(const QRectF& b) {
    return QPolygonF({b.topLeft(), QPointF(b.right(), b.center().y()), b.bottomLeft()});
}
QPolygonF triangleLeft(const QRectF& b) {
    return QPolygonF({b.topRight(), QPointF(b.left(), b.center().y()), b.bottomRight()});
}

void drawText(QPainter& p, const QRectF& r, const QString& text, const QColor& c) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    // Caption height follows the face, so a 9-pixel toggle and a 19-pixel button both read.
    f.setPixelSize(std::max(5, static_cast<int>(r.height() * 0.68)));
    f.setLetterSpacing(QFont::PercentageSpacing, 105);
    p.setFont(f);
    QFontMetricsF fm(f);
    const qreal w = fm.horizontalAdvance(text);
    if (w > r.width() * 0.9) {
        f.setPixelSize(std::max(4, static_cast<int>(f.pixelSize() * r.width() * 0.9 / w)));
        p.setFont(f);
    }
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

void drawGlyph(QPainter& p, const QRectF& r, int index, const QColor& c) {
    const QRectF b = glyphBox(r);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    switch (index) {
    case btn::kPlayPause: {
        const QRectF tri(b.left(), b.top(), b.width() * 0.5, b.height());
        p.drawPolygon(triangleRight(tri));
        const qreal bw = b.width() * 0.14;
        p.drawRect(QRectF(b.left() + b.width() * 0.62, b.top(), bw, b.height()));
        p.drawRect(QRectF(b.right() - bw, b.top(), bw, b.height()));
        break;
    }
    case btn::kStop:
        p.drawRect(
            b.adjusted(b.width() * 0.1, b.height() * 0.1, -b.width() * 0.1, -b.height() * 0.1));
        break;
    case btn::kOpen: {
        const QRectF tri(b.left(), b.top(), b.width(), b.height() * 0.58);
        p.drawPolygon(
            QPolygonF({QPointF(tri.center().x(), tri.top()), tri.bottomRight(), tri.bottomLeft()}));
        p.drawRect(QRectF(b.left(), b.bottom() - b.height() * 0.24, b.width(), b.height() * 0.24));
        break;
    }
    case btn::kCue: {
        // Headphones: a band over two ear cups.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c, std::max(1.0, b.width() * 0.13)));
        p.drawArc(b.adjusted(0, 0, 0, b.height() * 0.4), 0, 180 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        const qreal cw = b.width() * 0.26, ch = b.height() * 0.45;
        p.drawRoundedRect(QRectF(b.left(), b.bottom() - ch, cw, ch), 1, 1);
        p.drawRoundedRect(QRectF(b.right() - cw, b.bottom() - ch, cw, ch), 1, 1);
        break;
    }
    case btn::kPrevious:
    case btn::kNext: {
        const bool next = index == btn::kNext;
        const qreal bw = b.width() * 0.14;
        const qreal tw = (b.width() - bw) / 2;
        if (next) {
            p.drawPolygon(triangleRight(QRectF(b.left(), b.top(), tw, b.height())));
            p.drawPolygon(triangleRight(QRectF(b.left() + tw, b.top(), tw, b.height())));
            p.drawRect(QRectF(b.right() - bw, b.top(), bw, b.height()));
        } else {
            p.drawRect(QRectF(b.left(), b.top(), bw, b.height()));
            p.drawPolygon(triangleLeft(QRectF(b.left() + bw, b.top(), tw, b.height())));
            p.drawPolygon(triangleLeft(QRectF(b.left() + bw + tw, b.top(), tw, b.height())));
        }
        break;
    }
    case btn::kXFLeft:
        drawText(p, r, QStringLiteral("L"), c);
        break;
    case btn::kXFRight:
        drawText(p, r, QStringLiteral("R"), c);
        break;
    case btn::kLoop:
        drawText(p, r, QStringLiteral("LOOP"), c);
        break;
    case btn::kMute:
    case btn::kMasterMute:
        drawText(p, r, QStringLiteral("MUTE"), c);
        break;
    case btn::kShuffle:
        drawText(p, r, QStringLiteral("SHUFFLE"), c);
        break;
    case btn::kPitchReturn:
        drawText(p, r, QStringLiteral("PITCH 0"), c);
        break;
    case btn::kAutoTrigger:
        drawText(p, r, QStringLiteral("AUTO"), c);
        break;
    case btn::kPunch:
        drawText(p, r, QStringLiteral("PUNCH"), c);
        break;
    case btn::kJoin:
        drawText(p, r, QStringLiteral("JOIN"), c);
        break;
    case btn::kOptions:
        drawText(p, r, QStringLiteral("OPT"), c);
        break;
    case btn::kPlugins:
        drawText(p, r, QStringLiteral("FX"), c);
        break;
    case btn::kHelp:
        drawText(p, r, QStringLiteral("?"), c);
        break;
    case btn::kNavigator:
        drawText(p, r, QStringLiteral("NAV"), c);
        break;
    case btn::kFullScreen: {
        // Four corner marks: the window growing to the screen.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c, std::max(1.0, b.width() * 0.12)));
        const qreal k = b.width() * 0.35;
        p.drawPolyline(QPolygonF(
            {QPointF(b.left(), b.top() + k), b.topLeft(), QPointF(b.left() + k, b.top())}));
        p.drawPolyline(QPolygonF(
            {QPointF(b.right() - k, b.top()), b.topRight(), QPointF(b.right(), b.top() + k)}));
        p.drawPolyline(QPolygonF({QPointF(b.left(), b.bottom() - k), b.bottomLeft(),
                                  QPointF(b.left() + k, b.bottom())}));
        p.drawPolyline(QPolygonF({QPointF(b.right() - k, b.bottom()), b.bottomRight(),
                                  QPointF(b.right(), b.bottom() - k)}));
        break;
    }
    default:
        break;
    }
}

void drawPadlock(QPainter& p, const QRectF& r, bool locked, const QColor& c) {
    const QRectF b = glyphBox(r);
    const QRectF body(b.left() + b.width() * 0.1, b.top() + b.height() * 0.45, b.width() * 0.8,
                      b.height() * 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(body, 1, 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, std::max(1.0, b.width() * 0.13)));
    const qreal sw = body.width() * 0.66;
    QRectF shackle(body.center().x() - sw / 2, b.top(), sw, b.height() * 0.85);
    if (!locked)
        shackle.translate(sw * 0.5, -b.height() * 0.08);
    p.drawArc(shackle, 0, 180 * 16);
    p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), body.top()));
    if (locked)
        p.drawLine(QPointF(shackle.right(), shackle.center().y()),
                   QPointF(shackle.right(), body.top()));
}

QPixmap render(QSize size, qreal dpr, const std::function<void(QPainter&, const QRectF&)>& draw) {
    if (dpr <= 0)
        dpr = 1.0;
    QPixmap pm(QSize(qRound(size.width() * dpr), qRound(size.height() * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p, QRectF(QPointF(0, 0), QSizeF(size)));
    return pm;
}

} // namespace

QSize buttonSize(int index) {
    switch (index) {
    case btn::kLoop:
    case btn::kMute:
    case btn::kShuffle:
    case btn::kPitchReturn:
    case btn::kAutoTrigger:
    case btn::kPunch:
        return {42, 9};
    case btn::kXFLeft:
    case btn::kXFRight:
        return {16, 16};
    default:
        return {26, 19};
    }
}

void paintButton(QPainter& painter, const QRectF& rect, int index, bool on) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintFace(painter, rect, on, !isPush(index));
    drawGlyph(painter, rect, index, glyphColour(index, on));
    painter.restore();
}

void paintHeadphoneMode(QPainter& painter, const QRectF& rect, int mode) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintFace(painter, rect, false, false);
    static const char* const kCaptions[] = {"CUE", "MAIN", "SPLIT"};
    const char* caption = mode >= 0 && mode <= 2 ? kCaptions[mode] : "?";
    drawText(painter, rect.adjusted(1, 1, -1, -1), QString::fromLatin1(caption), kGlyphLit);
    painter.restore();
}

void paintLock(QPainter& painter, const QRectF& rect, LockImage which) {
    const bool on = which == LockImage::LockedOn || which == LockImage::UnlockedOn;
    const bool locked = which == LockImage::LockedOff || which == LockImage::LockedOn;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintFace(painter, rect, on, false);
    drawPadlock(painter, rect, locked, on ? kGlyphPressed : (locked ? kGlyphLit : kGlyphOff));
    painter.restore();
}

QPixmap buttonImage(int index, bool on, qreal dpr, QSize size) {
    if (size.isEmpty())
        size = buttonSize(index);
    return render(size, dpr, [&](QPainter& p, const QRectF& r) { paintButton(p, r, index, on); });
}

QPixmap headphoneModeImage(int mode, qreal dpr, QSize size) {
    return render(size, dpr, [&](QPainter& p, const QRectF& r) { paintHeadphoneMode(p, r, mode); });
}

QPixmap lockImage(LockImage which, qreal dpr, QSize size) {
    return render(size, dpr, [&](QPainter& p, const QRectF& r) { paintLock(p, r, which); });
}

} // namespace klv::app

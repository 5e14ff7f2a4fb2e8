#include "app/settings/status_bar.h"

#include "app/shell/help_about.h"
#include "app/shell/qt_window_system.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace klv::app {

namespace {

constexpr int kIndicatorSize = 12;
constexpr int kRowHeight = 13;
constexpr int kButtonWidth = 44;
constexpr int kButtonHeight = 13;
const QColor kErrorRed(221, 0, 0);

QColor fromColorRef(int32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

// The indicator pictures: an "i" in a blue disc for a notice, "!" on a yellow triangle for a
// warning, "x" on a red disc for an error.
QPixmap severityPicture(int level) {
    const qreal ratio = 2.0; // drawn at twice the size, so they stay crisp on dense screens
    QPixmap picture(QSize(kIndicatorSize, kIndicatorSize) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, kIndicatorSize - 1.0, kIndicatorSize - 1.0);
    QFont font;
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    switch (level) {
    case 0:
        p.setPen(QPen(QColor(20, 60, 140), 1.0));
        p.setBrush(QColor(60, 130, 230));
        p.drawEllipse(box);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, QStringLiteral("i"));
        break;
    case 1: {
        QPainterPath triangle;
        triangle.moveTo(box.center().x(), box.top());
        triangle.lineTo(box.right(), box.bottom());
        triangle.lineTo(box.left(), box.bottom());
        triangle.closeSubpath();
        p.setPen(QPen(QColor(150, 110, 0), 1.0));
        p.setBrush(QColor(250, 200, 30));
        p.drawPath(triangle);
        p.setPen(Qt::black);
        p.drawText(box.adjusted(0, 2, 0, 0), Qt::AlignCenter, QStringLiteral("!"));
        break;
    }
    default:
        p.setPen(QPen(QColor(120, 0, 0), 1.0));
        p.setBrush(kErrorRed);
        p.drawEllipse(box);
        p.setPen(QPen(Qt::white, 1.6));
        p.drawLine(QPointF(3.6, 3.6), QPointF(8.4, 8.4));
        p.drawLine(QPointF(8.4, 3.6), QPointF(3.6, 8.4));
        break;
    }
    return picture;
}

QString titleOf(int32_t level) {
    switch (level) {
    case 0:
        return QStringLiteral("Notice:");
    case 1:
        return QStringLiteral("Warning:");
    default:
        return QStringLiteral("Error:");
    }
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

} // namespace

StatusBar::StatusBar(QWidget* parent)
    : QWidget(parent), m_indicator(new QLabel(this)),
      m_title(new QLabel(QStringLiteral("Status Message:"), this)), m_message(new QLabel(this)),
      m_dismiss(new QPushButton(QStringLiteral("Dismiss"), this)),
      m_details(new QPushButton(QStringLiteral("Details"), this)),
      m_textColor(fromColorRef(0xC0C0C0)), m_backColor(fromColorRef(0x000000)) {
    setObjectName(QStringLiteral("ctlStatus"));
    setAutoFillBackground(true);
    for (int level = 0; level < 3; ++level)
        m_pictures[level] = severityPicture(level);

    QFont text = font();
    text.setPixelSize(11);
    m_message->setFont(text);
    m_message->setTextFormat(Qt::PlainText);
    m_message->installEventFilter(this);
    m_message->setCursor(Qt::SizeHorCursor);
    QFont title = text;
    title.setBold(true);
    title.setPixelSize(10);
    m_title->setFont(title);
    QFont button = text;
    button.setPixelSize(9);
    for (QPushButton* b : {m_dismiss, m_details}) {
        b->setFont(button);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_indicator->setFixedSize(kIndicatorSize, kIndicatorSize);
    connect(m_dismiss, &QPushButton::clicked, this, &StatusBar::dismiss);
    connect(m_details, &QPushButton::clicked, this, [this] {
        emit detailsRequested(m_helpContext);
        showHelpTopic(klv::app::windowHandle(window()), m_helpContext);
    });

    setTimer(new QtIntervalTimer(kTickMs));
    applyColors(0xC0C0C0, 0x000000);
    dismiss(); // nothing to show yet
}

void StatusBar::setTimer(IntervalTimer* timer) {
    const bool wasActive = m_timer && m_timer->isActive();
    delete m_timer;
    m_timer = timer;
    m_timer->setParent(this);
    connect(m_timer, &IntervalTimer::timeout, this, &StatusBar::tick);
    if (wasActive)
        m_timer->start();
}

void StatusBar::applyColors(int32_t textColor, int32_t backColor) {
    m_textColor = fromColorRef(textColor);
    m_backColor = fromColorRef(backColor);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, m_backColor);
    palette.setColor(QPalette::WindowText, m_textColor);
    setPalette(palette);
    // Small flat buttons in the bar's own colours: a style's usual button does not fit 13 px.
    const QString buttons =
        QStringLiteral("QPushButton { color: %1; background: transparent; padding: 0px;"
                       " border: 1px solid %2; border-radius: 2px; }"
                       " QPushButton:pressed { background: %2; }")
            .arg(m_textColor.name(), m_textColor.darker(160).name());
    m_dismiss->setStyleSheet(buttons);
    m_details->setStyleSheet(buttons);
    if (m_ticks < kFadeFrom || m_holding)
        showFullColors();
    else
        setColors(fadedColor(m_level == 2 ? kErrorRed : m_textColor, m_backColor, m_ticks),
                  fadedColor(m_textColor, m_backColor, m_ticks));
}

void StatusBar::showMessage(const QString& message, int32_t level, int32_t helpContext) {
    m_message->setText(message);
    m_level = std::clamp<int32_t>(level, 0, 2);
    m_helpContext = helpContext;
    m_ticks = 0;
    m_holding = false;
    m_indicator->setPixmap(m_pictures[m_level]);
    m_indicator->show();
    m_title->setText(titleOf(m_level));
    m_title->show();
    m_dismiss->show();
    m_details->setVisible(m_helpContext > 0);
    m_message->show();
    showFullColors();
    m_message->adjustSize();
    m_message->move(kMessageLeft, m_message->y());
    layoutRows();
    m_timer->start();
}

void StatusBar::dismiss() {
    m_timer->stop();
    m_holding = false;
    m_message->clear();
    m_dismiss->hide();
    m_details->hide();
    m_indicator->hide();
    m_title->hide();
}

QColor StatusBar::fadedColor(const QColor& start, const QColor& back, int ticks) {
    const long percent = std::lround((ticks * 100.0 - 10000.0) / 30.0);
    auto channel = [percent](int from, int to) {
        const long value = std::lround(from + (to - from) * static_cast<double>(percent) / 100.0);
        return static_cast<int>(std::clamp<long>(value, 0, 255));
    };
    return QColor(channel(start.red(), back.red()), channel(start.green(), back.green()),
                  channel(start.blue(), back.blue()));
}

void StatusBar::tick() {
    ++m_ticks;
    if (m_ticks >= kGoneAt) {
        m_message->clear();
        m_title->hide();
        m_indicator->hide();
        m_dismiss->hide();
        m_details->hide();
        m_timer->stop();
        return;
    }
    if (m_ticks >= kFadeFrom) {
        m_indicator->hide();
        m_dismiss->hide();
        m_details->hide();
        setColors(fadedColor(m_level == 2 ? kErrorRed : m_textColor, m_backColor, m_ticks),
                  fadedColor(m_textColor, m_backColor, m_ticks));
        return;
    }
    m_indicator->setVisible(m_ticks > kBlinkUntil || m_ticks % 10 < 5);
}

void StatusBar::setColors(const QColor& message, const QColor& title) {
    setTextColor(m_message, message);
    setTextColor(m_title, title);
}

void StatusBar::showFullColors() {
    setColors(m_level == 2 ? kErrorRed : m_textColor, m_textColor);
    QFont font = m_message->font();
    font.setBold(m_level == 2);
    m_message->setFont(font);
}

void StatusBar::holdMessage(int pointerX) {
    m_holding = true;
    m_timer->stop();
    showFullColors();
    m_indicator->show();
    m_title->show();
    m_dismiss->show();
    m_details->setVisible(m_helpContext > 0);
    m_dragStartX = pointerX - m_message->x();
}

void StatusBar::dragMessage(int pointerX) {
    // A message wider than the bar scrolls between its start position and the position where
    // its right end meets the bar's right edge; a shorter one stays where it is.
    const int rightmost = kMessageLeft;
    const int leftmost = std::min(kMessageLeft, width() - m_message->width());
    m_message->move(std::clamp(pointerX - m_dragStartX, leftmost, rightmost), m_message->y());
}

void StatusBar::releaseMessage() {
    m_holding = false;
    m_ticks = kReleasedAt;
    m_timer->start();
}

bool StatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_message)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && !m_message->text().isEmpty())
            holdMessage(m_message->mapToParent(mouse->position().toPoint()).x());
        return true;
    }
    case QEvent::MouseMove:
        if (m_holding)
            dragMessage(
                m_message->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint()).x());
        return true;
    case QEvent::MouseButtonRelease:
        if (m_holding && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            releaseMessage();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutRows();
}

void StatusBar::layoutRows() {
    // Two rows: indicator, title and buttons above; the message below, from 240 twips.
    const int w = width();
    m_indicator->move(2, 1);
    m_dismiss->setGeometry(w - kButtonWidth - 1, 0, kButtonWidth, kButtonHeight);
    m_details->setGeometry(w - 2 * kButtonWidth - 4, 0, kButtonWidth, kButtonHeight);
    m_title->setGeometry(kMessageLeft, 0, std::max(0, w - kMessageLeft - 2 * kButtonWidth - 6),
                         kRowHeight);
    m_message->adjustSize();
    m_message->setGeometry(m_message->x(), kRowHeight + 1, m_message->width(), kRowHeight);
}

bool StatusBar::timerActive() const {
    return m_timer->isActive();
}

QString StatusBar::messageText() const {
    return m_message->text();
}

QString StatusBar::titleText() const {
    return m_title->text();
}

bool StatusBar::titleVisible() const {
    return !m_title->isHidden();
}

bool StatusBar::indicatorVisible() const {
    return !m_indicator->isHidden();
}

bool StatusBar::dismissVisible() const {
    return !m_dismiss->isHidden();
}

bool StatusBar::detailsVisible() const {
    return !m_details->isHidden();
}

QColor StatusBar::messageColor() const {
    return m_message->palette().color(QPalette::WindowText);
}

QColor StatusBar::titleColor() const {
    return m_title->palette().color(QPalette::WindowText);
}

bool StatusBar::messageBold() const {
    return m_message->font().bold();
}

int StatusBar::messageLeft() const {
    return m_message->x();
}

} // namespace klv::app

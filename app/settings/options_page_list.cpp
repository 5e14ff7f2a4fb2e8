#include "app/settings/options_page_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace klv::app {

CaptionRoles captionRoles(bool selected, bool listHasFocus) {
    if (!selected)
        return {QPalette::Base, QPalette::Text};
    if (listHasFocus)
        return {QPalette::Highlight, QPalette::HighlightedText};
    return {QPalette::Button, QPalette::ButtonText};
}

PageList::PageList(const QStringList& captions, QWidget* parent)
    : QWidget(parent), m_captions(captions) {
    setObjectName(QStringLiteral("lstPages"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

int PageList::rowHeight() const {
    return fontMetrics().height() + 10;
}

QSize PageList::sizeHint() const {
    int width = 0;
    for (const QString& caption : m_captions)
        width = std::max(width, fontMetrics().horizontalAdvance(caption));
    return {width + 32, rowHeight() * count() + 4};
}

QRect PageList::captionRect(int index) const {
    return {2, 2 + index * rowHeight(), width() - 4, rowHeight()};
}

void PageList::setSelected(int index) {
    m_selected = std::clamp(index, 0, count() - 1);
    update();
}

void PageList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    for (int i = 0; i < count(); ++i) {
        const CaptionRoles roles = captionRoles(i == m_selected, hasFocus());
        const QRect r = captionRect(i);
        p.fillRect(r, palette().color(roles.background));
        p.setPen(palette().color(roles.text));
        p.drawText(r.adjusted(10, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter, m_captions[i]);
    }
}

void PageList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    for (int i = 0; i < count(); ++i) {
        if (captionRect(i).contains(event->position().toPoint())) {
            emit pageRequested(i);
            return;
        }
    }
}

void PageList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        if (m_selected > 0)
            emit pageRequested(m_selected - 1);
        return;
    }
    if (event->key() == Qt::Key_Down) {
        if (m_selected < count() - 1)
            emit pageRequested(m_selected + 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void PageList::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void PageList::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

} // namespace klv::app

#include "app/decks/knob_input.h"

#include <QMouseEvent>
#include <QWheelEvent>

namespace klv::app {

namespace {

// One notch of an ordinary mouse wheel, in eighths of a degree.
constexpr int kNotch = 120;

QPoint pointOf(const QSinglePointEvent* event) {
    return event->position().toPoint();
}

} // namespace

KnobInput::KnobInput(QWidget* parent) : QWidget(parent) {}

void KnobInput::leftPressed(const QPoint&) {}
void KnobInput::leftMoved(const QPoint&) {}
void KnobInput::leftReleased(const QPoint&) {}
void KnobInput::rightPressed(const QPoint&) {}
void KnobInput::doubleClicked(int32_t, const QPoint&) {}

void KnobInput::press(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        m_held = true;
        leftPressed(pointOf(event));
    } else if (event->button() == Qt::RightButton) {
        rightPressed(pointOf(event));
    }
}

void KnobInput::mousePressEvent(QMouseEvent* event) {
    press(event);
}

void KnobInput::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (m_held)
        leftMoved(pointOf(event));
}

void KnobInput::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && m_held) {
        m_held = false;
        leftReleased(pointOf(event));
    }
}

void KnobInput::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt delivers the second press of a double-click as this event instead of a press.
    press(event);
    if (event->button() == Qt::LeftButton)
        doubleClicked(kDoubleClick, pointOf(event));
}

void KnobInput::wheelEvent(QWheelEvent* event) {
    event->accept();
    // The wheel belongs to the knob under the pointer: nothing else scrolls.
    m_wheelRest += event->angleDelta().y();
    const QPoint position = event->position().toPoint();
    while (m_wheelRest >= kNotch) {
        m_wheelRest -= kNotch;
        doubleClicked(kWheelAway, position);
    }
    while (m_wheelRest <= -kNotch) {
        m_wheelRest += kNotch;
        doubleClicked(kWheelTowards, position);
    }
}

} // namespace klv::app

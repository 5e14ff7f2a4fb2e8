// The desk's keys: the window sees them before the control that has the focus, so Shift or
// Ctrl with a digit reaches a line wherever the focus is.

#include "app/shell/desk_parts.h"
#include "app/shell/main_window.h"

#include <QKeyEvent>

namespace klv::app {

namespace {

// The line a digit key addresses: "1".."9" are lines 0..8 and "0" the tenth line. With Shift
// held a keyboard may report the shifted character instead of the digit; the US layout's
// !@#$%^&*() are taken as the digits under them. -1 for any other key.
int lineOfDigitKey(int key) {
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return key - Qt::Key_1;
    if (key == Qt::Key_0)
        return 9;
    switch (key) {
    case Qt::Key_Exclam:
        return 0;
    case Qt::Key_At:
        return 1;
    case Qt::Key_NumberSign:
        return 2;
    case Qt::Key_Dollar:
        return 3;
    case Qt::Key_Percent:
        return 4;
    case Qt::Key_AsciiCircum:
        return 5;
    case Qt::Key_Ampersand:
        return 6;
    case Qt::Key_Asterisk:
        return 7;
    case Qt::Key_ParenLeft:
        return 8;
    case Qt::Key_ParenRight:
        return 9;
    default:
        return -1;
    }
}

} // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    // Keys of other windows (a dialog over the desk, the navigator) are theirs.
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    if (handleDeskKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::handleDeskKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
        modifiers == Qt::AltModifier) {
        doFullScreen(!m_full);
        return true;
    }
    const int number = lineOfDigitKey(key.key());
    if (number < 0)
        return false;
    LineControl* target = line(number);
    if (!target)
        return false;
    if (modifiers == Qt::ShiftModifier) {
        pauseLine(*target);
        return true;
    }
    if (modifiers == Qt::ControlModifier) {
        stopLine(*target);
        return true;
    }
    return false;
}

} // namespace klv::app

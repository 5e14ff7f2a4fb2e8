#pragma once
// The input side of every knob, bar and fader of the desk. A control derives from KnobInput
// and overrides the handlers it needs; KnobInput turns Qt's mouse and wheel events into them:
//
// - left press / move while held / release, in the control's own coordinates (presses on a
//   child picture, such as the knob inside its bar, arrive here too, mapped);
// - right press, for context menus;
// - doubleClicked(mode, position): mode kDoubleClick for a real left double-click, kWheelAway
//   for one wheel notch turned away from the user, kWheelTowards for one notch towards.
//
// A double-click is also a press: the second press of a quick pair reaches leftPressed before
// doubleClicked(kDoubleClick), so two quick presses always stay two presses and the control
// needs no separator between them. A wheel turn produces one doubleClicked per notch of 120
// eighths of a degree; finer wheels and touchpads add up until a notch is complete.
// [ui-thread]

#include <QPoint>
#include <QWidget>

#include <cstdint>

namespace klv::app {

// The modes a double-click handler reads, with the values of the program's input tags.
enum DoubleClickMode : int32_t {
    kDoubleClick = 0,  // a real double-click of the left button
    kWheelAway = 1,    // one wheel notch away from the user: a step up
    kWheelTowards = 2, // one wheel notch towards the user: a step down
};

class KnobInput : public QWidget {
    Q_OBJECT
public:
    explicit KnobInput(QWidget* parent = nullptr);

    // True between a left press and its release.
    bool held() const { return m_held; }

protected:
    virtual void leftPressed(const QPoint& position);
    virtual void leftMoved(const QPoint& position);
    virtual void leftReleased(const QPoint& position);
    virtual void rightPressed(const QPoint& position);
    virtual void doubleClicked(int32_t mode, const QPoint& position);

    void mousePressEvent(QMouseEvent* event) final;
    void mouseMoveEvent(QMouseEvent* event) final;
    void mouseReleaseEvent(QMouseEvent* event) final;
    void mouseDoubleClickEvent(QMouseEvent* event) final;
    void wheelEvent(QWheelEvent* event) final;

private:
    void press(QMouseEvent* event);

    bool m_held = false;
    int m_wheelRest = 0; // eighths of a degree not yet forming a notch
};

} // namespace klv::app

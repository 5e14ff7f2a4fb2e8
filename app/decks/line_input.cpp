// Mouse and keyboard on a line: knobs with detents, bar clicks, the wheel, push buttons that
// act on release inside, the tracker and the LCD.

#include "app/decks/line_control.h"
#include "app/decks/line_geometry.h"

#include "app/settings/song_eq.h"
#include "app/shell/desk.h"
#include "app/shell/interval_timer.h"

#include <QKeyEvent>

#include <algorithm>
#include <cmath>

namespace klv::app {

namespace {

QRect faderKnob(int top) {
    return {line::kFaderKnobLeft, top, line::kFaderKnobWidth, line::kFaderKnobHeight};
}
QRect pitchKnob(int top) {
    return {line::kPitchKnobLeft, top, line::kPitchKnobWidth, line::kPitchKnobHeight};
}
QRect panKnob(int left) {
    return {left, line::kPanKnobTop, line::kPanKnobWidth, line::kPanKnobHeight};
}
QRect trackerKnob(int left) {
    return {left, line::kTrackerKnobTop, line::kTrackerKnobWidth, line::kTrackerKnobHeight};
}

// Detents: a knob dragged close to its centre mark snaps onto it.
int faderDetent(int top) {
    return top > 217 && top < 221 ? line::kFaderUnity : top;
}
int pitchDetent(int top) {
    return top > 266 && top < 270 ? line::kPitchCentre : top;
}
int panDetent(int left) {
    return left > 33 && left < 37 ? line::kPanCentre : left;
}

int32_t trackerPercent(int left) {
    return static_cast<int32_t>(std::floor((left - 2) * 100.0 / 79.0));
}

} // namespace

void LineControl::leftPressed(const QPoint& pos) {
    m_grab = Grab::None;
    if (const std::optional<Button> button = buttonAt(pos)) {
        if (buttonRow(*button).push) {
            m_grab = Grab::Button;
            m_heldButton = button;
            m_heldInside = true;
            update(buttonRect(*button));
        } else {
            runButton(*button);
        }
        return;
    }
    if (pos.y() < line::kLcdRect.top() && !m_fileName.isEmpty() && !m_eq->isVisible()) {
        startFileDrag();
        return;
    }
    if (line::kTrackerBar.contains(pos)) {
        if (!trackerShown())
            return;
        if (trackerKnob(m_trackerLeft).contains(pos))
            trackerPressKnob(pos);
        else
            trackerClick(pos);
        return;
    }
    if (line::kPanBar.contains(pos)) {
        if (!panKnob(m_panLeft).contains(pos))
            setPan(pos.x() - line::kPanKnobWidth / 2);
        m_grab = Grab::Pan;
        m_grabOffset = pos.x() - m_panLeft;
        return;
    }
    if (line::kFaderBar.contains(pos)) {
        if (!faderKnob(m_faderTop).contains(pos)) {
            placeFader(pos.y() - line::kFaderKnobHeight / 2);
            setVal(0);
        }
        m_grab = Grab::Fader;
        m_grabOffset = pos.y() - m_faderTop;
        return;
    }
    if (line::kPitchBar.contains(pos)) {
        m_pitchReturn = false;
        setButton(Button::PitchReturn, false);
        if (!pitchKnob(m_pitchTop).contains(pos))
            placePitch(pos.y() - line::kPitchKnobHeight / 2);
        m_grab = Grab::Pitch;
        m_grabOffset = pos.y() - m_pitchTop;
    }
}

void LineControl::leftMoved(const QPoint& pos) {
    switch (m_grab) {
    case Grab::Fader:
        placeFader(
            faderDetent(std::clamp(pos.y() - m_grabOffset, line::kFaderMin, line::kFaderMax)));
        setVal(0);
        break;
    case Grab::Pitch:
        placePitch(
            pitchDetent(std::clamp(pos.y() - m_grabOffset, line::kPitchMin, line::kPitchMax)));
        break;
    case Grab::Pan:
        setPan(panDetent(std::clamp(pos.x() - m_grabOffset, line::kPanMin, line::kPanMax)));
        break;
    case Grab::Tracker:
        m_trackerLeft = std::clamp(pos.x() - m_grabOffset, line::kTrackerMin, line::kTrackerMax);
        klvDisplayPos(&current(), trackerPercent(m_trackerLeft));
        update(line::kTrackerBar);
        break;
    case Grab::Button: {
        const QRect r = buttonRect(*m_heldButton);
        const QPoint local = pos - r.topLeft();
        const bool inside =
            local.x() >= 0 && local.x() <= r.width() && local.y() >= 0 && local.y() <= r.height();
        if (inside != m_heldInside) {
            m_heldInside = inside;
            update(r);
        }
        break;
    }
    case Grab::None:
        break;
    }
}

void LineControl::leftReleased(const QPoint& pos) {
    const Grab grab = m_grab;
    m_grab = Grab::None;
    if (grab == Grab::Tracker) {
        trackerRelease();
    } else if (grab == Grab::Button) {
        leftMoved(pos); // the release position decides, not the last move
        m_grab = Grab::None;
        const Button button = *m_heldButton;
        const bool inside = m_heldInside;
        m_heldButton.reset();
        m_heldInside = false;
        update(buttonRect(button));
        if (inside)
            runButton(button);
    }
}

void LineControl::trackerClick(const QPoint& pos) {
    if (state() != State::Playing)
        return;
    m_timer->stop();
    const int step = pos.x() < m_trackerLeft ? -line::kTrackerStep : line::kTrackerStep;
    m_trackerLeft = std::clamp(m_trackerLeft + step, line::kTrackerMin, line::kTrackerMax);
    klvSetPos(&current(), trackerPercent(m_trackerLeft));
    klvPause(&current());
    update(line::kTrackerBar);
    m_timer->start();
}

void LineControl::trackerPressKnob(const QPoint& pos) {
    m_grab = Grab::Tracker;
    m_grabOffset = pos.x() - m_trackerLeft;
    if (KLV_LOAD_FIELD(current().paused)) {
        m_trackerHold = TrackerHold::StayPaused;
    } else {
        klvPause(&current());
        klvClose(&other());
        m_trackerHold = TrackerHold::Resume;
    }
}

void LineControl::trackerRelease() {
    m_timer->stop();
    klvSetPos(&current(), trackerPercent(m_trackerLeft));
    if (m_trackerHold == TrackerHold::Resume)
        klvPause(&current());
    m_trackerHold = TrackerHold::None;
    updateButtons();
    m_timer->start();
}

void LineControl::rightPressed(const QPoint& pos) {
    const std::optional<Button> button = buttonAt(pos);
    if (button == Button::Previous || button == Button::Next) {
        openPlaylistMenu(*button, pos);
        return;
    }
    if (!button && (line::kPanBar.contains(pos) || line::kFaderBar.contains(pos) ||
                    line::kPitchBar.contains(pos)))
        return;
    openContextMenu(pos);
}

void LineControl::doubleClicked(int32_t mode, const QPoint& pos) {
    if (line::kLcdRect.contains(pos)) {
        if (mode == kDoubleClick) {
            const int32_t remain = m_desk.timeRemain() == 1 ? 0 : 1;
            m_desk.setTimeRemain(remain);
            klvSetRemain(remain);
        }
        return;
    }
    if (buttonAt(pos))
        return;
    if (line::kFaderBar.contains(pos)) {
        if (mode == kWheelAway) {
            setVal(-3);
        } else if (mode == kWheelTowards) {
            setVal(3);
        } else {
            placeFader(line::kFaderUnity);
            setVal(0);
        }
    } else if (line::kPitchBar.contains(pos)) {
        if (mode == kWheelAway)
            placePitch(std::max(m_pitchTop - 2, line::kPitchMin));
        else if (mode == kWheelTowards)
            placePitch(std::min(m_pitchTop + 2, line::kPitchMax));
        else
            placePitch(line::kPitchCentre);
    } else if (line::kPanBar.contains(pos) && mode == kDoubleClick) {
        setPan(line::kPanCentre);
    }
}

void LineControl::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Space:
        if (mods != Qt::NoModifier)
            break;
        if (m_muting || (m_xfSide == 0 && !m_punch)) {
            m_muting = false;
            m_punch = true;
            setButton(Button::Mute, false);
            setButton(Button::Punch, true);
        } else {
            m_muting = true;
            setButton(Button::Mute, true);
        }
        setVal(0);
        return;
    case Qt::Key_Left:
        m_desk.changeFocus(m_number, -1);
        return;
    case Qt::Key_Right:
        m_desk.changeFocus(m_number, 1);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int direction = event->key() == Qt::Key_Up ? -1 : 1;
        if (mods & Qt::ControlModifier)
            placePitch(std::clamp(m_pitchTop + direction, line::kPitchMin, line::kPitchMax));
        else
            adjustSlider(direction * ((mods & Qt::ShiftModifier) ? 1 : 4));
        return;
    }
    default:
        break;
    }
    if (keyButton(event->key()))
        return; // the buttons' keys act on release
    KnobInput::keyPressEvent(event);
}

void LineControl::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    // Six keys mirror the two rows of transport buttons.
    if (const std::optional<Button> button = keyButton(event->key())) {
        pressButtonByKey(*button);
        return;
    }
    KnobInput::keyReleaseEvent(event);
}

void LineControl::focusInEvent(QFocusEvent* event) {
    KnobInput::focusInEvent(event);
    m_focused = true;
    update();
}

void LineControl::focusOutEvent(QFocusEvent* event) {
    KnobInput::focusOutEvent(event);
    m_focused = false;
    update();
}

} // namespace klv::app

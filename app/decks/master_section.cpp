#include "app/decks/master_section.h"

#include "app/decks/master_layout.h"
#include "app/decks/surface_view.h"
#include "app/decks/vu_window.h"
#include "app/shell/desk.h"
#include "app/shell/interval_timer.h"

#include "klv3.h"

#include <QEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>

#include <algorithm>

namespace klv::app {

namespace ml = masterlayout;

namespace {

// How often the clock is redrawn: often enough that a minute change shows at once.
constexpr int kClockMs = 300;

} // namespace

MasterSection::MasterSection(Desk& desk, QWidget* parent, IntervalTimer* clockTimer)
    : KnobInput(parent), m_desk(desk), m_clockTimer(clockTimer) {
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::ClickFocus);
    m_bandTop.fill(ml::kBandFlat);

    m_vu = new SurfaceView(this, desk.state().options.LCDBackColor);
    m_vu->setGeometry(ml::vu());
    m_vu->setPictureSize(ml::vu().size());
    m_vu->installEventFilter(this);

    m_clock = new SurfaceView(this, desk.state().options.LCDBackColor);
    m_clock->setGeometry(ml::clock());
    m_clock->setPictureSize(ml::clock().size());
    m_clock->installEventFilter(this);

    if (!m_clockTimer)
        m_clockTimer = new QtIntervalTimer(kClockMs, this);
    else
        m_clockTimer->setParent(this);
    connect(m_clockTimer, &IntervalTimer::timeout, this, &MasterSection::tickClock);
}

MasterSection::~MasterSection() {
    // The engine must not draw into a window that is going away.
    if (m_vuWindow) {
        klvStopVU();
        m_vuWindow.reset();
    }
}

QRect MasterSection::faderBar(int index) {
    return ml::faderBar(index);
}
QRect MasterSection::buttonRect(Button button) {
    return buttonRow(button).rect;
}
QRect MasterSection::bandKnobRect(int band, int top) {
    return ml::bandKnob(band, top);
}
QRect MasterSection::vuRect() {
    return ml::vu();
}
QRect MasterSection::clockRect() {
    return ml::clock();
}

bool MasterSection::buttonShown(Button button) const {
    // The headphone mode only matters while the headphones have an output of their own.
    return button != Button::HeadphoneMode || m_desk.state().options.UseSecondary == 1;
}

std::optional<MasterSection::Button> MasterSection::buttonAt(const QPoint& position) const {
    for (const ButtonRow& row : buttonTable()) {
        if (buttonShown(row.button) && row.rect.contains(position))
            return row.button;
    }
    return std::nullopt;
}

void MasterSection::updateLayout() {
    const OptionsRecord& options = m_desk.state().options;
    m_vu->setGeometry(ml::vu());
    m_clock->setGeometry(ml::clock());
    m_vu->setFillColor(options.LCDBackColor);
    m_vu->fill(options.LCDBackColor);
    if (options.ShowClock == 1) {
        m_clock->fill(options.LCDBackColor);
        tickClock();
        m_clockTimer->start();
    } else {
        m_clockTimer->stop();
        m_clock->fill(options.BackColor);
        m_clock->setToolTip({});
    }
    update();
}

void MasterSection::leftPressed(const QPoint& position) {
    if (const std::optional<Button> button = buttonAt(position)) {
        // Toggles act at once; push buttons act on a release inside them.
        const ButtonRow& row = buttonRow(*button);
        if (row.push) {
            m_grab = Grab::Button;
            m_pressedButton = button;
            update();
        } else {
            (this->*row.press)();
        }
        return;
    }
    for (int band = 0; band < kBands; ++band) {
        const QRect knob = ml::bandKnob(band, m_bandTop[static_cast<size_t>(band)]);
        if (knob.contains(position)) {
            m_grab = Grab::Band;
            m_grabIndex = band;
            m_grabOffset = position.y() - knob.top();
            return;
        }
    }
    const bool headphone = m_desk.state().options.UseSecondary == 1;
    for (int index = 0; index < (headphone ? 3 : 2); ++index) {
        const int top = index == 2 ? m_headphoneTop : m_top[static_cast<size_t>(index)];
        const QRect knob = ml::faderKnob(index, top);
        const QRect bar = ml::faderBar(index);
        if (!knob.contains(position) && !bar.contains(position))
            continue;
        m_grab = index == 2 ? Grab::Headphone : Grab::Fader;
        m_grabIndex = index;
        if (knob.contains(position)) {
            m_grabOffset = position.y() - top;
        } else {
            // The knob jumps to the click and can be dragged on from there.
            m_grabOffset = ml::kFaderKnobHeight / 2;
            leftMoved(position);
        }
        return;
    }
    if (ml::equalizerArea().contains(position)) {
        // A press on the background takes the band under the pointer and goes on as a drag
        // of that band's knob.
        const int band = std::clamp((position.x() - 4) / 17, 0, kBands - 1);
        m_grab = Grab::Band;
        m_grabIndex = band;
        m_grabOffset = ml::kBandKnobHeight / 2;
        leftMoved(position);
    }
}

void MasterSection::leftMoved(const QPoint& position) {
    const int top = position.y() - m_grabOffset;
    switch (m_grab) {
    case Grab::Band:
        setBand(m_grabIndex, top);
        break;
    case Grab::Fader: {
        int clamped = std::clamp(top, ml::kFaderTopMin, ml::kFaderTopMax);
        if (clamped > ml::kFaderUnity - 2 && clamped < ml::kFaderUnity + 2)
            clamped = ml::kFaderUnity;
        setVal(m_grabIndex, clamped - m_top[static_cast<size_t>(m_grabIndex)]);
        break;
    }
    case Grab::Headphone:
        setHeadphoneTop(top);
        break;
    case Grab::Button:
    case Grab::None:
        break;
    }
}

void MasterSection::leftReleased(const QPoint& position) {
    const Grab grab = m_grab;
    const std::optional<Button> pressed = m_pressedButton;
    m_grab = Grab::None;
    m_grabIndex = -1;
    m_pressedButton.reset();
    if (grab == Grab::Button) {
        update();
        if (pressed && buttonRect(*pressed).contains(position))
            (this->*buttonRow(*pressed).press)();
    }
}

void MasterSection::rightPressed(const QPoint& position) {
    if (ml::equalizerArea().contains(position))
        openEqualizerMenu(mapToGlobal(position));
}

void MasterSection::doubleClicked(int32_t mode, const QPoint& position) {
    for (int index = 0; index < 2; ++index) {
        if (!ml::faderBar(index).contains(position))
            continue;
        m_grab = Grab::None;
        if (mode == kWheelAway) {
            setVal(index, -3);
        } else if (mode == kWheelTowards) {
            setVal(index, 3);
        } else {
            setVal(index, ml::kFaderUnity - m_top[static_cast<size_t>(index)]);
        }
        return;
    }
    if (m_desk.state().options.UseSecondary == 1 && ml::faderBar(2).contains(position)) {
        m_grab = Grab::None;
        if (mode == kWheelAway)
            setHeadphoneTop(m_headphoneTop - 3);
        else if (mode == kWheelTowards)
            setHeadphoneTop(m_headphoneTop + 3);
        else
            setHeadphoneTop(ml::kHeadphoneTopMin);
        return;
    }
    if (position.x() > 3 && position.x() <= 174 && position.y() > 15 && position.y() < 97) {
        m_grab = Grab::None;
        const int band = std::clamp((position.x() - 4) / 17, 0, kBands - 1);
        const int top = m_bandTop[static_cast<size_t>(band)];
        if (mode == kWheelAway)
            setBand(band, top - 1);
        else if (mode == kWheelTowards)
            setBand(band, top + 1);
        else
            setBand(band, ml::kBandFlat);
    }
}

bool MasterSection::event(QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const std::optional<Button> button = buttonAt(help->pos());
        QString text;
        if (button && buttonRow(*button).tip)
            text = QString::fromLatin1(buttonRow(*button).tip);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return KnobInput::event(event);
}

bool MasterSection::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_vu && event->type() == QEvent::MouseButtonDblClick) {
        showFullScreenVu();
        return true;
    }
    // Right presses on the pictures open nothing; left presses on them are theirs.
    return KnobInput::eventFilter(watched, event);
}

} // namespace klv::app

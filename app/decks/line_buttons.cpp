// The line's painted buttons: where each sits, its tip, what a press does, and what each shows.

#include "app/decks/button_art.h"
#include "app/decks/line_control.h"

namespace klv::app {

std::span<const LineControl::ButtonRow> LineControl::buttonTable() {
    using B = Button;
    // Transport buttons 26 x 19 in two rows of three, toggles 42 x 9 in a column beside the
    // pitch knob, crossfader sides 16 x 16 at the bottom corners.
    static constexpr ButtonRow kRows[] = {
        {B::PlayPause, QRect(3, 104, 26, 19), "Play/Pause", &LineControl::pause, true,
         btn::kPlayPause, Qt::Key_Insert, "Play/Pause"},
        {B::Stop, QRect(32, 104, 26, 19), "Stop", &LineControl::doStop, true, btn::kStop,
         Qt::Key_Home, "Stop"},
        {B::Open, QRect(61, 104, 26, 19), "Open New File", &LineControl::openWithDialog, true,
         btn::kOpen, Qt::Key_PageUp, "Open File..."},
        {B::Cue, QRect(3, 126, 26, 19), "Cue (through CUE/Headphone Output)",
         &LineControl::toggleCue, false, btn::kCue, Qt::Key_Delete, "Cue"},
        {B::Previous, QRect(32, 126, 26, 19), "Previous Track", &LineControl::previousTrack, true,
         btn::kPrevious, Qt::Key_End, "Previous Track"},
        {B::Next, QRect(61, 126, 26, 19), "Next Track", &LineControl::nextTrack, true, btn::kNext,
         Qt::Key_PageDown, "Next Track"},
        {B::Loop, QRect(45, 170, 42, 9), "Loop Current File", &LineControl::toggleLoop, false,
         btn::kLoop, Qt::Key_unknown, nullptr},
        {B::Mute, QRect(45, 180, 42, 9), "Mute This Line (Overrides Punch-In and CrossFader)",
         &LineControl::toggleMute, false, btn::kMute, Qt::Key_unknown, nullptr},
        {B::Shuffle, QRect(45, 190, 42, 9), "Choose Randomly from Playlist",
         &LineControl::toggleShuffle, false, btn::kShuffle, Qt::Key_unknown, nullptr},
        {B::AutoTrigger, QRect(45, 200, 42, 9), "Auto Trigger Next Line",
         &LineControl::openAutoTriggerMenu, false, btn::kAutoTrigger, Qt::Key_unknown, nullptr},
        {B::PitchReturn, QRect(45, 210, 42, 9), "Slowly Set Pitch to Zero",
         &LineControl::togglePitchReturn, false, btn::kPitchReturn, Qt::Key_unknown, nullptr},
        {B::Punch, QRect(45, 220, 42, 9), "Punch In (bypass CrossFader)", &LineControl::togglePunch,
         false, btn::kPunch, Qt::Key_unknown, nullptr},
        {B::XFLeft, QRect(2, 330, 16, 16), "Assign to the CrossFader's Left Side",
         &LineControl::toggleXFLeft, false, btn::kXFLeft, Qt::Key_unknown, nullptr},
        {B::XFRight, QRect(72, 330, 16, 16), "Assign to the CrossFader's Right Side",
         &LineControl::toggleXFRight, false, btn::kXFRight, Qt::Key_unknown, nullptr},
    };
    static_assert(std::size(kRows) == kButtonCount);
    static_assert(rowsInButtonOrder(kRows), "the rows are in Button order");
    return kRows;
}

const LineControl::ButtonRow& LineControl::buttonRow(Button button) {
    return buttonTable()[static_cast<size_t>(button)];
}

QRect LineControl::buttonRect(Button button) {
    return buttonRow(button).rect;
}

bool LineControl::buttonShown(Button button) const {
    return buttonState(button).shown;
}
bool LineControl::buttonOn(Button button) const {
    return buttonState(button).on;
}
QString LineControl::buttonTip(Button button) const {
    return buttonState(button).tip;
}

void LineControl::setButton(Button button, bool on) {
    if (buttonState(button).on == on)
        return;
    buttonState(button).on = on;
    update(buttonRect(button));
}

void LineControl::showButton(Button button, bool shown) {
    if (buttonState(button).shown == shown)
        return;
    buttonState(button).shown = shown;
    update(buttonRect(button));
}

void LineControl::setButtonTip(Button button, const QString& tip) {
    buttonState(button).tip = tip;
}

std::optional<LineControl::Button> LineControl::buttonAt(const QPoint& position) const {
    for (const ButtonRow& row : buttonTable())
        if (buttonShown(row.button) && row.rect.contains(position))
            return row.button;
    return std::nullopt;
}

std::optional<LineControl::Button> LineControl::keyButton(int key) {
    for (const ButtonRow& row : buttonTable())
        if (row.key != Qt::Key_unknown && row.key == key)
            return row.button;
    return std::nullopt;
}

void LineControl::runButton(Button button) {
    (this->*buttonRow(button).press)();
}

void LineControl::pressButtonByKey(Button button) {
    if (buttonShown(button))
        runButton(button);
}

} // namespace klv::app

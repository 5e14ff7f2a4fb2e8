#pragma once
// ctlLine: one deck of the mixer. A line loads a song or a playlist onto one of its two
// LineHandles, plays, pauses, stops, loops and cues it, follows its playlist and can start the
// next line when its song ends or a set number of seconds before. Its fader, pitch and pan
// knobs, mute, punch-in and crossfader assignment become engine calls on both handles.
//
// The line is one custom-painted panel of 90 x 348 pixels; the time display inside it is drawn
// by the engine into the LCD picture's device context. It reaches the other lines, the
// crossfader and the status bar only through its Desk.
// [ui-thread] Everything here runs on the user-interface thread; the engine's threads only
// write the handles' state, paused, finished, percent and remaining, which the line polls.

#include "app/browser/song_tags.h"
#include "app/decks/knob_input.h"
#include "klv3.h"

#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

class QMenu;
class QMimeData;

namespace klv::app {

class Desk;
class IntervalTimer;
class SongEq;
class SurfaceView;

class LineControl final : public KnobInput {
    Q_OBJECT
public:
    // What the line shows; read from FileName and the current handle.
    enum class State { Empty, Loaded, Playing, Paused };

    // The painted buttons, in drawing order: the two rows of transport buttons, the column of
    // toggles beside the pitch knob, and the crossfader sides either side of the status label.
    enum class Button {
        PlayPause,
        Stop,
        Open,
        Cue,
        Previous,
        Next,
        Loop,
        Mute,
        Shuffle,
        AutoTrigger,
        PitchReturn,
        Punch,
        XFLeft,
        XFRight,
    };
    static constexpr int kButtonCount = 14;

    // number: the line's place in the desk, from 0. displayTimer: the 10 ms display tick (null:
    // a real one); tests pass a SteppedTimer. The line takes ownership.
    LineControl(Desk& desk, int number, QWidget* parent = nullptr,
                IntervalTimer* displayTimer = nullptr);
    ~LineControl() override;

    // ---- Life cycle -----------------------------------------------------------------------
    // Init: restores knobs, flags and (unless noLoadFiles) the file of the last run.
    void init(int32_t noLoadFiles);
    // CleanUp: stores the line's state and closes its playlist and both handles.
    void cleanUp();
    // Update: colours and fonts from the options, pitch range and buttons re-applied.
    void updateLayout();

    // ---- Files ----------------------------------------------------------------------------
    // OpenFile: a song or a playlist onto the current handle; a playing song moves to the other
    // handle and goes on sounding. Keeps an earlier playlist (playlist navigation uses it).
    void openFile(const QString& path);
    // What the open button, a drop and the navigator do: forget the playlist, close both
    // handles, then openFile.
    void loadFile(const QString& path);
    // Clear File: closes both handles and empties the line (the menu offers it only while the
    // current handle is loaded and not started; a song dragged away is cleared always).
    void clearFile();
    // SaveCurrentFile: "Last Opened Files" and " Playlist Position".
    void saveCurrentFile();

    // ---- Transport ------------------------------------------------------------------------
    // Pause: play/pause, only while the play button is shown.
    void pause();
    // DoStop: stops both handles and closes the older one, only while stop is shown.
    void doStop();
    // Trigger: starts a loaded or paused line; a playing line is left alone.
    void trigger();
    // AreYouPlaying: the current handle is started (playing or paused).
    bool areYouPlaying() const;
    void nextTrack();     // the next-track button
    void previousTrack(); // the previous-track button
    // A playlist entry chosen from the playlist menu.
    void goToTrack(int32_t index);

    // ---- Volume and crossfader ------------------------------------------------------------
    // SetVal / AdjustSlider: moves the fader knob by howMuch pixels and re-applies the gain.
    void setVal(int howMuch);
    void adjustSlider(int howMuch) { setVal(howMuch); }
    // SetXFValue: the crossfader's gain for this line, 0..100.
    void setXFValue(int32_t value);
    // ClearXF: leaves crossfader side 1 or 2 when on it; any other side always.
    void clearXF(int32_t side);
    int32_t xfSide() const { return m_xfSide; }
    int32_t xfValue() const { return m_xfValue; }
    // Assigns the line to crossfader side 1 (left) or 2 (right), or takes it off that side.
    void toggleXFSide(int32_t side);
    void togglePunch();
    void toggleMute();
    void toggleCue();
    void toggleLoop();
    void toggleShuffle();
    void togglePitchReturn();
    // -1 off, 0 at the end of the song, N >= 1 N seconds before it.
    void setAutoTrigger(int32_t seconds);

    // ---- Display --------------------------------------------------------------------------
    // UpdateButtons: which buttons the line's state shows.
    void updateButtons();
    // DoTagTip: the status label's tooltip.
    void doTagTip();
    // UpdateLabel: the three text rows from the display formats.
    void updateLabel(const QString& text);
    // SetEQ / HideEQ for the song-EQ panel; showEQ is the menu's "Equalizer".
    void setEQ(int32_t band, float level);
    void hideEQ();
    void showEQ();

    int number() const { return m_number; }
    void setNumber(int number) { m_number = number; }

    // ---- Read by the desk and by tests ----------------------------------------------------
    State state() const;
    const QString& fileName() const { return m_fileName; }
    const QString& playlist() const { return m_playlist; }
    int32_t playlistId() const { return m_playlistId; }
    int32_t listCount() const { return m_listCount; }
    int32_t listPos() const { return m_listPos; }
    bool shuffle() const { return m_shuffle; }
    bool punch() const { return m_punch; }
    bool muting() const { return m_muting; }
    int32_t autoTrigger() const { return m_autoTrigger; }
    bool pitchReturn() const { return m_pitchReturn; }
    int32_t faderPercent() const { return m_faderPercent; }
    float gain() const { return m_gain; }
    int32_t pitchValue() const { return m_pitchValue; }
    int32_t panValue() const { return m_panValue; }
    bool hasTag() const { return m_hasTag; }
    int currentHandleIndex() const { return m_current; }
    LineHandle& handle(int which) { return m_handles[static_cast<size_t>(which & 1)]; }
    LineHandle& current() { return handle(m_current); }
    int faderTop() const { return m_faderTop; }
    int pitchTop() const { return m_pitchTop; }
    int panLeft() const { return m_panLeft; }
    int trackerLeft() const { return m_trackerLeft; }
    bool trackerShown() const;
    QString labelText(int row) const { return m_labels.at(static_cast<size_t>(row)); }
    QString labelTip(int row) const { return m_labelTips.at(static_cast<size_t>(row)); }
    QString statusText() const { return m_statusText; }
    uint32_t statusColour() const { return m_statusColour; } // 0x00BBGGRR
    QString statusTip() const { return m_statusTip; }
    // Where a button sits, in the line's pixels.
    static QRect buttonRect(Button button);
    bool buttonShown(Button button) const;
    bool buttonOn(Button button) const;
    QString buttonTip(Button button) const;
    IntervalTimer& displayTimer() { return *m_timer; }
    SurfaceView& lcd() { return *m_lcd; }
    SongEq& songEq() { return *m_eq; }

    // The context menu and the playlist menu of the previous or next button as they would open
    // now, built fresh; the caller owns them. The playlist menu is null when there is no entry
    // to offer.
    std::unique_ptr<QMenu> buildContextMenu();
    std::unique_ptr<QMenu> buildPlaylistMenu(Button trackButton);
    // The auto-trigger button's menu.
    std::unique_ptr<QMenu> buildAutoTriggerMenu();

    // Dragging away: the payload a drag from the line carries (the playlist when one is loaded,
    // else the song; null when empty), and what the line does when that drag has ended.
    std::unique_ptr<QMimeData> dragPayload() const;
    void fileDragEnded(Qt::DropAction result);
    // Why a drop of data would be refused now; empty when it would be taken.
    QString dropRefusal(const QMimeData* data) const;

    // Replace what "ID3 Tag...", "Filename Display Options..." and the custom trigger entry
    // open (empty: the program's tag editor, format dialog and "Custom Trigger" dialog). The
    // tag hook returns true when it wrote a tag; the format hook true after OK (it stores and
    // saves the formats and re-lays the desk out); the trigger hook gets the seconds preset
    // and returns false when cancelled.
    static void setTagEditorHook(std::function<bool(QWidget* owner, const QString& path)> hook);
    static void setDisplayFormatHook(std::function<bool(Desk& desk)> hook);
    static void setTriggerTimeHook(std::function<bool(QWidget* owner, int32_t& seconds)> hook);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void leftPressed(const QPoint& position) override;
    void leftMoved(const QPoint& position) override;
    void leftReleased(const QPoint& position) override;
    void rightPressed(const QPoint& position) override;
    void doubleClicked(int32_t mode, const QPoint& position) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

private:
    enum class Grab { None, Fader, Pitch, Pan, Tracker, Button };

    // Everything the line knows about one button.
    struct ButtonRow {
        Button button;
        QRect rect;
        const char* tip; // until the line sets another
        void (LineControl::*press)();
        bool push;           // acts on a release inside it and is lit while held; else at once
        int art;             // its picture in the button art
        Qt::Key key;         // the key whose release presses it; Qt::Key_unknown: none
        const char* control; // its entry in the context menu's Controls; null: none
    };
    // What a button shows now.
    struct ButtonState {
        bool shown = false;
        bool on = false;
        QString tip;
    };
    // The rows in Button order.
    static std::span<const ButtonRow> buttonTable();
    static const ButtonRow& buttonRow(Button button);
    ButtonState& buttonState(Button button) { return m_buttons[static_cast<size_t>(button)]; }
    const ButtonState& buttonState(Button button) const {
        return m_buttons[static_cast<size_t>(button)];
    }
    enum class TrackerHold { None, StayPaused, Resume };

    // Transport helpers.
    LineHandle& other() { return handle(m_current ^ 1); }
    int32_t currentState() const;
    void applyPitch();
    void applyVolume();
    void setPan(int left);
    void placePitch(int top);
    void placeFader(int top);
    bool nextFile();
    bool previousFile();
    bool goToFile(int32_t index);
    void navigate(const std::function<bool()>& step);
    QString playlistEntry(int32_t index) const;
    void fireTrigger();
    void disarmTrigger();
    void closePlaylist();
    void readTag();
    void fillSongEq();
    LineControl* nextLine() const;
    LineControl* previousLine() const;
    void displayTick();
    void setButton(Button button, bool on);
    void showButton(Button button, bool shown);
    void setButtonTip(Button button, const QString& tip);
    void runButton(Button button);
    void pressButtonByKey(Button button);
    // The button whose key this is.
    static std::optional<Button> keyButton(int key);
    void toggleXFLeft() { toggleXFSide(1); }
    void toggleXFRight() { toggleXFSide(2); }
    void setStatus(const QString& text, uint32_t colour);
    void clearLcd();

    // Gestures.
    void trackerClick(const QPoint& position);
    void trackerPressKnob(const QPoint& position);
    void trackerRelease();
    void startFileDrag();
    void openContextMenu(const QPoint& position);
    void openPlaylistMenu(Button trackButton, const QPoint& position);
    void openAutoTriggerMenu();
    void openWithDialog();
    std::optional<Button> buttonAt(const QPoint& position) const;
    void customTrigger();
    void editTag();
    void editDisplayFormats();

    Desk& m_desk;
    int m_number;
    std::array<LineHandle, 2> m_handles{};
    int m_current = 0;

    QString m_playlist;
    int32_t m_playlistId = -1;
    int32_t m_listCount = 0;
    int32_t m_listPos = 0;
    bool m_shuffle = false;
    int32_t m_xfSide = 0;
    int32_t m_xfValue = 0;
    bool m_punch = true;
    bool m_muting = false;
    QString m_fileName;
    int32_t m_autoTrigger = -1;
    bool m_pitchReturn = false;
    int m_pitchReturnTicks = 0;
    int32_t m_faderPercent = 100;
    float m_gain = 1.0f;
    int32_t m_panValue = 0;
    int32_t m_pitchValue = 1000;
    bool m_hasTag = false;
    SongTags m_tag;
    bool m_tagMenuEnabled = false;

    int m_faderTop = 219;
    int m_pitchTop = 268;
    int m_panLeft = 35;
    int m_trackerLeft = 2;

    std::array<ButtonState, kButtonCount> m_buttons;
    std::array<QString, 3> m_labels;
    std::array<QString, 3> m_labelTips;
    QString m_statusText;
    uint32_t m_statusColour = 0;
    QString m_statusTip;
    bool m_focused = false;

    Grab m_grab = Grab::None;
    int m_grabOffset = 0;
    std::optional<Button> m_heldButton;
    bool m_heldInside = false;
    TrackerHold m_trackerHold = TrackerHold::None;
    bool m_dragSource = false;
    QString m_dropRefused; // the reason a drag over the line is refused

    IntervalTimer* m_timer;
    SurfaceView* m_lcd;
    SongEq* m_eq;
};

} // namespace klv::app

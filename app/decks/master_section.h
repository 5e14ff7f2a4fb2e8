#pragma once
// ctlMain: the master section beside the lines. It holds the master faders with their join
// switch, the master mute (never the headphones), the headphone level and mode, the ten-band
// master equalizer with named presets, the VU picture the engine draws into (and its
// full-screen window), the clock, the lock button and the push buttons that open the options,
// the plug-in manager, the help, the navigator and full-screen mode.
// [ui-thread]

#include "app/decks/knob_input.h"

#include "klv3.h"

#include <QRect>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

class QMenu;

namespace klv::app {

class Desk;
class IntervalTimer;
class SurfaceView;
class VuWindow;

class MasterSection final : public KnobInput {
    Q_OBJECT
public:
    static constexpr int kWidth = 180;
    static constexpr int kHeight = 348;
    static constexpr int kBands = 10;

    // The section's buttons: the headphone mode below the faders (only with the secondary
    // device), then the right-hand column two to a row.
    enum class Button {
        HeadphoneMode,
        Mute,
        Join,
        Options,
        Plugins,
        Help,
        Navigator,
        FullScreen,
        Lock,
    };

    // clockTimer: the 300 ms clock timer (null: a real one); tests pass a stepped timer.
    explicit MasterSection(Desk& desk, QWidget* parent = nullptr,
                           IntervalTimer* clockTimer = nullptr);
    ~MasterSection() override;

    // Init: restores faders, mute, join and the equalizer from the settings and applies them.
    void init();
    // Update: lays the section out for the current options (colours, headphone controls,
    // clock) and repaints.
    void updateLayout();
    // CleanUp: stops the meters and stores faders, mute, join and the equalizer.
    void cleanUp();

    // SetVal: moves master knob index (0 left, 1 right) by howMuch pixels and applies it.
    void setVal(int index, int howMuch);
    // Redraws the lock button for the program's current lock state.
    void updateLockButton();

    // The VU picture handed to klvStartVU (LCD_HWND, LCD_HDC, LCD_Width, LCD_Height).
    KlvWindow lcdWindow() const;
    KlvDC lcdDC() const;
    int32_t lcdWidth() const;
    int32_t lcdHeight() const;
    // Starts the meters on the VU picture.
    void startMeters();

    // The full-screen VU window while it is shown, else null.
    VuWindow* fullScreenVu() const { return m_vuWindow.get(); }
    void showFullScreenVu();
    void closeFullScreenVu();

    // State as the section holds it.
    float leftGain() const { return m_gain[0]; }
    float rightGain() const { return m_gain[1]; }
    float headphoneGain() const { return m_headphoneGain; }
    int faderTop(int index) const { return m_top[index]; }
    int headphoneTop() const { return m_headphoneTop; }
    bool joint() const { return m_joint; }
    bool muted() const { return m_mute; }
    // Band knob top 15..87 (value 51 - top).
    int bandTop(int band) const { return m_bandTop[band]; }

    // Where things are, in the section's pixels, for the layout and for tests.
    static QRect faderBar(int index); // 0 left, 1 right, 2 headphone
    static QRect buttonRect(Button button);
    static QRect bandKnobRect(int band, int top);
    static QRect vuRect();
    static QRect clockRect();

    SurfaceView* vuPicture() const { return m_vu; }
    SurfaceView* clockPicture() const { return m_clock; }
    // The equalizer menu as it was last built (for tests), null before the first right-click.
    QMenu* equalizerMenu() const { return m_menu; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void leftPressed(const QPoint& position) override;
    void leftMoved(const QPoint& position) override;
    void leftReleased(const QPoint& position) override;
    void rightPressed(const QPoint& position) override;
    void doubleClicked(int32_t mode, const QPoint& position) override;

private:
    enum class Grab { None, Band, Fader, Headphone, Button };
    // How a button is drawn: its own picture from the button art, the picture of the current
    // headphone mode, or the lock's picture for the program's lock state.
    enum class Face { Picture, HeadphoneMode, Lock };

    // Everything the section knows about one button.
    struct ButtonRow {
        Button button;
        QRect rect;
        const char* tip; // null: none
        void (MasterSection::*press)();
        bool push;                // acts on a release inside it; else at once
        bool MasterSection::*lit; // the state the button shows; null: lit only while pressed
        Face face;
        int art; // its picture in the button art, for Face::Picture
    };
    // The rows in Button order.
    static std::span<const ButtonRow> buttonTable();
    static const ButtonRow& buttonRow(Button button);

    void applyVolume();
    void setFaderTop(int index, int top);
    void setHeadphoneTop(int top);
    void toggleMute();
    void toggleJoint();
    void cycleHeadphoneMode();
    void setBand(int band, int top);
    void openOptions();
    void openPluginManager();
    void openHelp();
    void toggleNavigator();
    void toggleFullScreen();
    void pressLock();
    void tickClock();
    void openEqualizerMenu(const QPoint& globalPosition);
    std::optional<Button> buttonAt(const QPoint& position) const;
    bool buttonShown(Button button) const;

    Desk& m_desk;
    std::array<float, 2> m_gain{1.0f, 1.0f};
    std::array<int, 2> m_top{219, 219};
    float m_headphoneGain = 1.0f;
    int m_headphoneTop = 223;
    bool m_joint = true;
    bool m_mute = false;
    std::array<int, kBands> m_bandTop{};

    Grab m_grab = Grab::None;
    int m_grabIndex = -1;
    int m_grabOffset = 0;
    std::optional<Button> m_pressedButton;

    SurfaceView* m_vu;
    SurfaceView* m_clock;
    IntervalTimer* m_clockTimer;
    QString m_dateText;
    QMenu* m_menu = nullptr;
    std::unique_ptr<VuWindow> m_vuWindow;
};

} // namespace klv::app

#pragma once
// ctlCrossFader: the horizontal fader below the lines. The knob sets a gain for each side; the
// line on the left and the line on the right multiply their own fader gain by it. The fader
// can glide to either end by itself and swap its two sides.
// [ui-thread]

#include "app/decks/knob_input.h"

#include <QString>

#include <array>
#include <cstdint>

namespace klv::app {

class Desk;
class IntervalTimer;

class CrossFader final : public KnobInput {
    Q_OBJECT
public:
    static constexpr int kWidth = 260;
    static constexpr int kHeight = 30;
    // Knob left edge in pixels.
    static constexpr int kLeftEnd = 41;
    static constexpr int kRightEnd = 185;
    static constexpr int kCentre = 113;
    static constexpr int kKnobWidth = 33;

    // fadeTimer: the auto-fade timer (null: a real one); tests pass a stepped timer. The
    // crossfader takes ownership.
    explicit CrossFader(Desk& desk, QWidget* parent = nullptr, IntervalTimer* fadeTimer = nullptr);

    // Side gains in percent, 0..100.
    int32_t valueLeft() const { return m_valueLeft; }
    int32_t valueRight() const { return m_valueRight; }
    int knobPosition() const { return m_position; }

    // SetXFLabel: side 0 left, 1 right.
    void setXFLabel(int side, const QString& text);
    QString xfLabel(int side) const { return m_labels[side == 0 ? 0 : 1]; }
    // XFReverse: mirrors the knob around the centre.
    void xfReverse();
    // CenterFader: knob to the centre, both sides at full gain.
    void centerFader();
    // Update: takes the auto-fade speed from the options and repaints.
    void updateLayout();

    bool fading() const;
    double fadeStep() const { return m_fadeStep; }
    int fadeIntervalMs() const { return m_intervalMs; }

    static QRect autoFadeRect(int direction);
    static QRect swapRect();

signals:
    // After every change of the values; the lines on the two sides have their new gains
    // already (applyCrossFaderValues).
    void valuesChanged(int32_t left, int32_t right);

protected:
    void paintEvent(QPaintEvent* event) override;
    void leftPressed(const QPoint& position) override;
    void leftMoved(const QPoint& position) override;
    void leftReleased(const QPoint& position) override;
    void doubleClicked(int32_t mode, const QPoint& position) override;

private:
    enum class Grab { None, Surface, Knob };

    void placeKnob(int position);
    void startFade(int direction);
    void fadeTick();

    Desk& m_desk;
    IntervalTimer* m_timer;
    int32_t m_valueLeft = 100;
    int32_t m_valueRight = 100;
    int m_position = kCentre;
    double m_fadePosition = kCentre;
    double m_fadeStep = 1.0;
    int m_fadeDirection = 0;
    int m_intervalMs = 81;
    Grab m_grab = Grab::None;
    int m_grabOffset = 0;
    std::array<QString, 2> m_labels;
};

// Every line on the left side gets left, every line on the right side gets right, through its
// volume law. The crossfader does this itself after every change.
void applyCrossFaderValues(Desk& desk, int32_t left, int32_t right);

// SwapXFader, for the desk's swapXFader(): every line on the left goes right and the other way
// round, each keeping its gain, and the knob is mirrored.
void swapCrossFaderSides(Desk& desk);

} // namespace klv::app

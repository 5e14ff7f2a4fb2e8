#pragma once
// ctlEQ: the five-band song equalizer of a line. Each band is a small knob whose vertical
// position is the band's level: positions 1 to 37 pixels from the top, 19 is level 0, one
// pixel is half a level unit, so the top is +9 and the bottom -9. The user drags a knob,
// double-clicks a band back to 0, turns the wheel over a band for half-unit steps, and the
// right button offers "Hide Equalizer" and "Flatten EQ". Every change the user makes is
// reported through eqChanged; setBand places a knob without reporting it. [ui-thread]

#include "app/decks/knob_input.h"

#include <QColor>

#include <array>
#include <cstdint>

class QMenu;

namespace klv::app {

class SongEq final : public KnobInput {
    Q_OBJECT
public:
    static constexpr int kBands = 5;
    static constexpr int kTop = 1;     // highest knob position: +9
    static constexpr int kZero = 19;   // level 0
    static constexpr int kBottom = 37; // lowest knob position: -9
    static constexpr int kKnobWidth = 13;
    static constexpr int kKnobHeight = 9;
    static constexpr int kWidth = 89;
    static constexpr int kHeight = 47;

    explicit SongEq(QWidget* parent = nullptr);

    // SetBand: band 0..4 (others ignored), level in half-unit steps, held within -18..18.
    void setBand(int32_t band, int32_t halfSteps);
    // "Flatten EQ": every band to level 0, each reported.
    void flatten();

    int position(int band) const { return m_positions.at(static_cast<size_t>(band)); }
    // The knob's level in level units (-9.0 .. 9.0, half-unit steps).
    float level(int band) const;
    // Where band's knob is drawn.
    QRect knobRect(int band) const;
    QMenu* menu() const { return m_menu; }

    void setColors(const QColor& text, const QColor& back);

signals:
    // SetEQ of the owning line: band and level in level units.
    void eqChanged(int32_t band, float level);
    // HideEQ of the owning line.
    void hideRequested();

protected:
    void leftPressed(const QPoint& position) override;
    void leftMoved(const QPoint& position) override;
    void leftReleased(const QPoint& position) override;
    void rightPressed(const QPoint& position) override;
    void doubleClicked(int32_t mode, const QPoint& position) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void moveKnob(int band, int position, bool report);

    std::array<int, kBands> m_positions{kZero, kZero, kZero, kZero, kZero};
    int m_dragBand = -1;
    int m_pressY = 0;
    int m_pressPosition = kZero;
    QMenu* m_menu;
    QColor m_text{0xC0, 0xC0, 0xC0};
    QColor m_back{0, 0, 0};
};

} // namespace klv::app

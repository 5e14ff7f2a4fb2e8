#pragma once
// The pictures of the desk's buttons: every button index of the lines and of the master section
// has an "off" and an "on" picture, the headphone-mode button one picture per mode and the lock
// button four. They are drawn with QPainter from vector shapes, so they stay crisp at any device
// pixel ratio and any size a control asks for.
// [ui-thread] QPixmap may only be made on the user-interface thread.

#include <QPixmap>
#include <QRectF>
#include <QSize>

#include <cstddef>

class QPainter;

namespace klv::app {

// Button indexes shared by the lines and the master section (one image array for both).
namespace btn {
inline constexpr int kPlayPause = 0;
inline constexpr int kStop = 1;
inline constexpr int kOpen = 2;
inline constexpr int kCue = 3;
inline constexpr int kPrevious = 4;
inline constexpr int kNext = 5;
inline constexpr int kLoop = 6;
inline constexpr int kMute = 7;
inline constexpr int kShuffle = 8;
inline constexpr int kMasterMute = 9;
inline constexpr int kJoin = 10;
inline constexpr int kOptions = 11;
inline constexpr int kPlugins = 12;
inline constexpr int kHelp = 14;
inline constexpr int kNavigator = 15;
inline constexpr int kFullScreen = 18;
inline constexpr int kXFLeft = 19;
inline constexpr int kXFRight = 20;
inline constexpr int kPitchReturn = 21;
inline constexpr int kAutoTrigger = 22;
inline constexpr int kPunch = 23;
inline constexpr int kLock = 24;
} // namespace btn

// The lock button's four pictures.
enum class LockImage { LockedOff, LockedOn, UnlockedOff, UnlockedOn };

// The size a line gives the button (transport 26 x 19, toggles 42 x 9, crossfader 16 x 16); a
// master button that the line does not have gets 26 x 19.
QSize buttonSize(int index);

// Paints button index in rect; on is the lit (toggle set) or pressed (push held) look. Indexes
// without a picture of their own get a plain face.
void paintButton(QPainter& painter, const QRectF& rect, int index, bool on);
void paintHeadphoneMode(QPainter& painter, const QRectF& rect, int mode);
void paintLock(QPainter& painter, const QRectF& rect, LockImage which);

// The same pictures as pixmaps of size logical pixels (buttonSize(index) when empty) at the
// given device pixel ratio, ready for a QLabel or drawPixmap.
QPixmap buttonImage(int index, bool on, qreal dpr = 1.0, QSize size = {});
// mode: the HeadphoneMode value 0 (pre-listen), 1 (main mix) or 2 (split).
QPixmap headphoneModeImage(int mode, qreal dpr = 1.0, QSize size = {26, 19});
QPixmap lockImage(LockImage which, qreal dpr = 1.0, QSize size = {26, 19});

// Whether a button table's rows stand in the order of their enum, so that a button's row is
// found by its value. For a static_assert beside the table.
template <typename Row, size_t N> constexpr bool rowsInButtonOrder(const Row (&rows)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (static_cast<size_t>(rows[i].button) != i)
            return false;
    }
    return true;
}

} // namespace klv::app

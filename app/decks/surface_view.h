#pragma once
// A picture whose pixels the engine draws: the widget owns a pixel surface of its own size,
// hands its device context to the engine (a line's LCD, the VU display, the clock) and shows
// the surface. The engine's threads draw into the surface whenever they like; the widget looks
// at the surface's change count on a short GUI timer and repaints only when it has moved.

#include "klv3.h"
#include "platform/ui/surface.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace klv::app {

class SurfaceView : public QWidget {
    Q_OBJECT
public:
    // How often the widget looks for new pixels: a little faster than the engine's displays
    // change while a line plays, so that no frame waits long to be seen.
    static constexpr int kRefreshMs = 15;

    // fillColor: the colour reference (0x00BBGGRR) of a new surface and of pixels a resize adds.
    explicit SurfaceView(QWidget* parent = nullptr, int32_t fillColor = 0);
    // Destroys the surface; a drawing thread still holding it finishes its frame first, and
    // draws nothing after that.
    ~SurfaceView() override;

    // The device context to hand to the engine; valid as long as the widget lives.
    KlvDC dc() const { return m_dc; }

    // Gives the picture a fixed size at once, surface included, even before the widget shows
    // (a hidden widget hears of a plain resize only when it is shown). Later resizes by a
    // layout resize the surface as they happen.
    void setPictureSize(QSize size);

    void setFillColor(int32_t colorRef) { m_fill = colorRef; }
    int32_t fillColor() const { return m_fill; }
    // Paints the whole surface in one colour (the picture's background) and shows it.
    void fill(int32_t colorRef);

    // A copy of the surface's pixels as they stand.
    QImage snapshot() const;

    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();

    platform::DeviceContext m_dc = 0;
    platform::SurfaceRef m_surface;
    uint64_t m_shownChanges = 0;
    int32_t m_fill = 0;
    QTimer m_timer;
};

} // namespace klv::app

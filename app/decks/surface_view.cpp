#include "app/decks/surface_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace klv::app {

namespace {

uint32_t pixelOf(int32_t colorRef) {
    return platform::pixelFromColorRef(static_cast<uint32_t>(colorRef));
}

} // namespace

SurfaceView::SurfaceView(QWidget* parent, int32_t fillColor) : QWidget(parent), m_fill(fillColor) {
    // The surface covers every pixel of the widget: nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_dc = platform::createSurface(std::max(width(), 1), std::max(height(), 1), pixelOf(m_fill));
    m_surface = platform::SurfaceRef(m_dc);
    connect(&m_timer, &QTimer::timeout, this, &SurfaceView::refresh);
    m_timer.start(kRefreshMs);
}

SurfaceView::~SurfaceView() {
    platform::destroySurface(m_dc);
}

void SurfaceView::setPictureSize(QSize size) {
    setFixedSize(size);
    platform::resizeSurface(m_dc, std::max(size.width(), 1), std::max(size.height(), 1),
                            pixelOf(m_fill));
}

void SurfaceView::fill(int32_t colorRef) {
    {
        platform::SurfaceLock lock(m_surface);
        if (!lock)
            return;
        const uint32_t pixel = pixelOf(colorRef);
        for (int32_t y = 0; y < lock.height(); ++y) {
            uint32_t* row = lock.pixels() + static_cast<ptrdiff_t>(y) * lock.stride();
            std::fill(row, row + lock.width(), pixel);
        }
        lock.markChanged();
    }
    update();
}

QImage SurfaceView::snapshot() const {
    platform::SurfaceLock lock(m_surface);
    if (!lock)
        return {};
    const QImage view(reinterpret_cast<const uchar*>(lock.pixels()), lock.width(), lock.height(),
                      static_cast<qsizetype>(lock.stride()) * 4, QImage::Format_RGB32);
    return view.copy();
}

void SurfaceView::refresh() {
    // A look at one atomic counter: an idle display costs the GUI thread nothing more.
    if (m_surface.changeCount() != m_shownChanges)
        update();
}

void SurfaceView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    platform::SurfaceLock lock(m_surface);
    if (!lock) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    m_shownChanges = lock.changeCount();
    // The image only borrows the pixels, and only while the lock is held.
    const QImage view(reinterpret_cast<const uchar*>(lock.pixels()), lock.width(), lock.height(),
                      static_cast<qsizetype>(lock.stride()) * 4, QImage::Format_RGB32);
    painter.drawImage(QPoint(0, 0), view);
}

void SurfaceView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    platform::resizeSurface(m_dc, std::max(width(), 1), std::max(height(), 1), pixelOf(m_fill));
}

} // namespace klv::app

#include "app/decks/vu_window.h"

#include "app/decks/surface_view.h"
#include "app/shell/qt_window_system.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace klv::app {

VuWindow::VuWindow(const QWidget* near) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("KLV3 VU"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setCursor(Qt::BlankCursor);

    QScreen* screen = near ? near->screen() : QGuiApplication::primaryScreen();
    // The whole monitor, task bar included: the meters are all there is to see.
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    setGeometry(area);

    // The engine paints the space around its picture black itself.
    m_picture = new SurfaceView(this, 0);
    m_picture->setGeometry(0, 0, area.width(), area.height());
    m_picture->setPictureSize(area.size());
    m_picture->setCursor(Qt::BlankCursor);
    m_picture->installEventFilter(this);
    registerWindow(this);
}

VuWindow::~VuWindow() {
    unregisterWindow(this);
}

KlvWindow VuWindow::handle() const {
    return app::windowHandle(this);
}

KlvDC VuWindow::dc() const {
    return m_picture->dc();
}

int32_t VuWindow::pictureWidth() const {
    return m_picture->width();
}

int32_t VuWindow::pictureHeight() const {
    return m_picture->height();
}

void VuWindow::keyPressEvent(QKeyEvent* event) {
    event->accept();
    emit closeRequested();
}

void VuWindow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit closeRequested();
}

bool VuWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        emit closeRequested();
    return QWidget::event(event);
}

bool VuWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_picture && (event->type() == QEvent::MouseButtonPress ||
                                 event->type() == QEvent::MouseButtonDblClick)) {
        emit closeRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace klv::app

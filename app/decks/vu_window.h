#pragma once
// frmFS: the meters on the whole monitor. A black window without caption over the monitor
// that holds the main window, with the pointer hidden; any key, any mouse press or losing the
// activation asks to close it. The engine draws into its picture while it is shown.
// [ui-thread]

#include "klv3.h"

#include <QWidget>

namespace klv::app {

class SurfaceView;

class VuWindow final : public QWidget {
    Q_OBJECT
public:
    // Covers the monitor of near (the main window); null: the primary monitor.
    explicit VuWindow(const QWidget* near);
    ~VuWindow() override;

    KlvWindow handle() const;
    KlvDC dc() const;
    int32_t pictureWidth() const;
    int32_t pictureHeight() const;
    SurfaceView* picture() const { return m_picture; }

signals:
    // The user pressed something or went elsewhere; the owner closes the window.
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SurfaceView* m_picture;
    bool m_closing = false;
};

} // namespace klv::app

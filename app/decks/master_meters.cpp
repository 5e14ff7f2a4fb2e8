// The master section's engine-drawn pictures: the VU meters (in the section or on the whole
// monitor) and the clock.

#include "app/decks/master_section.h"
#include "app/decks/surface_view.h"
#include "app/decks/vu_window.h"
#include "app/shell/desk.h"
#include "app/shell/qt_window_system.h"

#include "klv3.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>

namespace klv::app {

KlvWindow MasterSection::lcdWindow() const {
    return app::windowHandle(m_vu);
}

KlvDC MasterSection::lcdDC() const {
    return m_vu->dc();
}

int32_t MasterSection::lcdWidth() const {
    return m_vu->width();
}

int32_t MasterSection::lcdHeight() const {
    return m_vu->height();
}

void MasterSection::startMeters() {
    klvStartVU(lcdWindow(), lcdDC(), lcdWidth(), lcdHeight());
}

void MasterSection::showFullScreenVu() {
    if (m_vuWindow)
        return;
    klvStopVU();
    m_vuWindow = std::make_unique<VuWindow>(m_desk.owner());
    connect(m_vuWindow.get(), &VuWindow::closeRequested, this, &MasterSection::closeFullScreenVu,
            Qt::QueuedConnection);
    m_vuWindow->show();
    m_vuWindow->activateWindow();
    QApplication::processEvents();
    if (m_vuWindow)
        klvStartVU(m_vuWindow->handle(), m_vuWindow->dc(), m_vuWindow->pictureWidth(),
                   m_vuWindow->pictureHeight());
}

void MasterSection::closeFullScreenVu() {
    if (!m_vuWindow)
        return;
    // The engine stops drawing before the window's picture goes away.
    klvStopVU();
    std::unique_ptr<VuWindow> window = std::move(m_vuWindow);
    window->hide();
    QApplication::processEvents();
    window.reset();
    startMeters();
}

void MasterSection::tickClock() {
    const OptionsRecord& options = m_desk.state().options;
    const QDateTime now = QDateTime::currentDateTime();
    int hours = now.time().hour();
    if (options.Clock12Hour == 1) {
        hours %= 12;
        if (hours == 0)
            hours = 12;
    }
    klvDrawClock(m_clock->dc(), hours, now.time().minute());
    const QString date = QLocale().toString(now.date(), QLocale::LongFormat);
    if (date != m_dateText) {
        m_dateText = date;
        m_clock->setToolTip(date);
    }
}

} // namespace klv::app

#include "app/shell/interval_timer.h"

namespace klv::app {

QtIntervalTimer::QtIntervalTimer(int intervalMs, QObject* parent) : IntervalTimer(parent) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::timeout);
}

int SteppedTimer::step(int ticks) {
    int delivered = 0;
    while (delivered < ticks && m_active) {
        ++delivered;
        emit timeout();
    }
    return delivered;
}

} // namespace klv::app

#pragma once
// tmrCheckAudio: once a second the output devices the options name are checked against the
// devices that exist now, so that unplugging a sound card moves the output to one that is left
// instead of leaving the engine writing to nothing. [ui-thread]

#include "app/shell/interval_timer.h"
#include "klv3.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

namespace klv::app {

// Brings PrimaryDevice, SecondaryDevice and UseSecondary in line with deviceCount devices.
// True when a value changed.
bool repairOutputDevices(OptionsRecord& options, uint32_t deviceCount);

class AudioWatchdog : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 1000;

    // deviceCount answers how many output devices exist now; null asks the wave output.
    AudioWatchdog(OptionsRecord& options, std::function<uint32_t()> deviceCount,
                  QObject* parent = nullptr);

    // Replaces how the number of devices is found out.
    void setDeviceCount(std::function<uint32_t()> deviceCount) {
        m_deviceCount = std::move(deviceCount);
    }
    // Replaces the one-second timer (the watchdog owns it from now on).
    void setTimer(std::unique_ptr<IntervalTimer> timer);
    IntervalTimer& timer() { return *m_timer; }

    void start() { m_timer->start(); }
    void stop() { m_timer->stop(); }
    bool running() const { return m_timer->isActive(); }

    // One check: repairs the device numbers, then lets the engine re-check its output.
    void check();

private:
    OptionsRecord& m_options;
    std::function<uint32_t()> m_deviceCount;
    std::unique_ptr<IntervalTimer> m_timer;
};

} // namespace klv::app

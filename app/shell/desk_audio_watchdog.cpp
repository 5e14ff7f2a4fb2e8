#include "app/shell/desk_audio_watchdog.h"

#include "platform/audio/wave_out.h"

namespace klv::app {

bool repairOutputDevices(OptionsRecord& options, uint32_t deviceCount) {
    const OptionsRecord before = options;
    const auto n = static_cast<int64_t>(deviceCount);
    // Device 1 is the usual choice when the chosen one has gone; with a single device left it
    // would name a device that does not exist either, so the output goes to device 0.
    if (options.PrimaryDevice >= n)
        options.PrimaryDevice = n >= 2 ? 1 : 0;
    if (options.SecondaryDevice >= n) {
        if (n == 1)
            options.UseSecondary = 0;
        else
            options.SecondaryDevice = static_cast<int32_t>(n - 1);
    }
    if (options.PrimaryDevice == options.SecondaryDevice)
        options.UseSecondary = 0;
    return before.PrimaryDevice != options.PrimaryDevice ||
           before.SecondaryDevice != options.SecondaryDevice ||
           before.UseSecondary != options.UseSecondary;
}

AudioWatchdog::AudioWatchdog(OptionsRecord& options, std::function<uint32_t()> deviceCount,
                             QObject* parent)
    : QObject(parent), m_options(options), m_deviceCount(std::move(deviceCount)) {
    if (!m_deviceCount)
        m_deviceCount = [] { return platform::waveOutGetNumDevs(); };
    setTimer(std::make_unique<QtIntervalTimer>(kIntervalMs));
}

void AudioWatchdog::setTimer(std::unique_ptr<IntervalTimer> timer) {
    const bool wasRunning = m_timer && m_timer->isActive();
    m_timer = std::move(timer);
    connect(m_timer.get(), &IntervalTimer::timeout, this, &AudioWatchdog::check);
    if (wasRunning)
        m_timer->start();
}

void AudioWatchdog::check() {
    repairOutputDevices(m_options, m_deviceCount());
    klvFixAudio();
}

} // namespace klv::app

// Virtual devices for machines without a sound card: "Virtual Output" plays into nothing and
// "Virtual Recorder" writes what it plays to a WAV file. Both finish their buffers at the pace
// of a real card, measured on the monotonic clock, so the engine runs exactly as it would with
// sound hardware.

#include "platform/audio/wave_device.h"
#include "platform/audio/wave_recorder.h"
#include "platform/store/home.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace klv::platform {

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC

constexpr uint32_t kOutputId = 0;
constexpr uint32_t kRecorderId = 1;
constexpr uint32_t kBytesPerFrame = 4;
constexpr uint32_t kRate = 44100;
constexpr uint32_t kIdleFrames = 1024;
// The header is rewritten this often while recording, so a crash loses at most this much.
constexpr auto kFinaliseEvery = std::chrono::seconds(2);
// A device that fell this far behind (machine suspended, debugger stop) starts a new timeline
// instead of rushing through the backlog.
constexpr auto kResyncAfter = std::chrono::milliseconds(500);

class VirtualWaveOut : public WaveOut {
public:
    explicit VirtualWaveOut(std::unique_ptr<WavRecorder> recorder)
        : m_recorder(std::move(recorder)), m_pacer([this] { pace(); }) {}

    ~VirtualWaveOut() override {
        {
            std::lock_guard lock(m_stopMutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_pacer.join();
        drain();
    }

    uint32_t write(WaveHeader& header) override { return enqueueHeader(m_queue, header); }

    uint32_t reset() override {
        drain();
        return kWaveOk;
    }

private:
    void drain() {
        std::lock_guard lock(m_drainMutex);
        m_playing = nullptr;
        while (WaveHeader* header = m_queue.front()) {
            m_queue.pop();
            markHeaderDone(*header);
        }
    }

    // Sleeps until deadline; false when the device is closing.
    bool sleepUntil(Clock::time_point deadline) {
        std::unique_lock lock(m_stopMutex);
        return !m_wake.wait_until(lock, deadline, [this] { return m_stop; });
    }

    // At each deadline the buffer that was playing is finished and the next one starts; the
    // next deadline is when that one will have played out.
    void pace() {
        Clock::time_point epoch = Clock::now();
        uint64_t frames = 0; // played since epoch
        Clock::time_point deadline = epoch;
        Clock::time_point lastFinalise = epoch;
        for (;;) {
            if (!sleepUntil(deadline))
                break;
            const Clock::time_point now = Clock::now();
            uint32_t started = 0;
            {
                std::lock_guard lock(m_drainMutex);
                if (m_playing) {
                    if (m_recorder)
                        m_recorder->append(m_playing->data, m_playing->bufferLength);
                    m_queue.pop();
                    markHeaderDone(*m_playing);
                }
                m_playing = m_queue.front();
                if (m_playing)
                    started = m_playing->bufferLength / kBytesPerFrame;
            }
            if (started == 0 || now - deadline > kResyncAfter) {
                // Idle (or far behind): the next buffer starts a new timeline from now.
                epoch = now;
                frames = 0;
            }
            frames += started ? started : kIdleFrames;
            deadline = epoch + std::chrono::nanoseconds(frames * 1000000000ull / kRate);
            if (m_recorder && now - lastFinalise >= kFinaliseEvery) {
                m_recorder->finalise();
                lastFinalise = now;
            }
        }
    }

    WaveQueue m_queue;
    std::mutex m_drainMutex;         // the draining side: pacer, reset and close
    WaveHeader* m_playing = nullptr; // the queue's oldest header while it plays; m_drainMutex
    std::unique_ptr<WavRecorder> m_recorder;
    std::mutex m_stopMutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_pacer; // last: starts once everything above exists
};

class VirtualBackend : public WaveBackend {
public:
    uint32_t deviceCount() override { return 2; }

    bool deviceName(uint32_t id, std::string& name) override {
        if (id == kOutputId)
            name = "Virtual Output";
        else if (id == kRecorderId)
            name = "Virtual Recorder";
        else
            return false;
        return true;
    }

    uint32_t open(uint32_t id, std::unique_ptr<WaveOut>& device) override {
        if (id >= deviceCount())
            return kWaveBadDeviceId;
        std::unique_ptr<WavRecorder> recorder;
        if (id == kRecorderId) {
            recorder = std::make_unique<WavRecorder>();
            try {
                if (!recorder->open(recordingsDir()))
                    return kWaveError;
            } catch (...) {
                return kWaveError;
            }
        }
        device = std::make_unique<VirtualWaveOut>(std::move(recorder));
        return kWaveOk;
    }
};

} // namespace

std::unique_ptr<WaveBackend> makeVirtualBackend() {
    return std::make_unique<VirtualBackend>();
}

} // namespace klv::platform

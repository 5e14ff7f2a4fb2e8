// Sound cards through PortAudio (ALSA, JACK, and PulseAudio/PipeWire through their ALSA
// plug-ins). Each device is a callback stream that copies the queued buffers out in order.

#include "platform/clock.h"
#include "platform/wave_device.h"

#include <portaudio.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace klv::platform {

namespace {

constexpr uint32_t kBytesPerFrame = 4;
constexpr double kRate = 44100.0;
// A stream whose callback has not run for this long while buffers wait (sound server gone,
// card pulled without an error) counts as failed, so queue requests fail instead of the
// engine waiting on buffers that will never finish.
constexpr uint32_t kStallMs = 1500;

uint32_t resultOf(PaError error) {
    switch (error) {
    case paNoError:
        return kWaveOk;
    case paInvalidDevice:
        return kWaveBadDeviceId;
    case paDeviceUnavailable:
        return kWaveAllocated;
    case paInvalidChannelCount:
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
        return kWaveBadFormat;
    case paInsufficientMemory:
        return kWaveNoMemory;
    default:
        return kWaveError;
    }
}

PaStreamParameters outputParameters(PaDeviceIndex device) {
    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = 2;
    parameters.sampleFormat = paInt16;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    parameters.suggestedLatency = info ? info->defaultLowOutputLatency : 0.05;
    return parameters;
}

class PortAudioBackend;

class PortAudioWaveOut : public WaveOut {
public:
    explicit PortAudioWaveOut(PortAudioBackend& backend) : m_backend(backend) {}
    ~PortAudioWaveOut() override;

    uint32_t start(PaDeviceIndex device) {
        const PaStreamParameters parameters = outputParameters(device);
        PaError error =
            Pa_OpenStream(&m_stream, nullptr, &parameters, kRate, paFramesPerBufferUnspecified,
                          paNoFlag, &PortAudioWaveOut::callback, this);
        if (error != paNoError) {
            m_stream = nullptr;
            return resultOf(error);
        }
        Pa_SetStreamFinishedCallback(m_stream, &PortAudioWaveOut::finished);
        m_lastCallback.store(tickCount(), std::memory_order_relaxed);
        error = Pa_StartStream(m_stream);
        m_stopping.store(false, std::memory_order_release);
        return resultOf(error);
    }

    uint32_t write(WaveHeader& header) override {
        if (const uint32_t refused = checkQueueable(header))
            return refused;
        if (m_failed.load(std::memory_order_acquire))
            return kWaveError;
        if (m_queue.size() > 0 &&
            tickCount() - m_lastCallback.load(std::memory_order_relaxed) > kStallMs) {
            m_failed.store(true, std::memory_order_release);
            return kWaveError;
        }
        return enqueueHeader(m_queue, header);
    }

    uint32_t reset() override {
        stop();
        drain();
        m_lastCallback.store(tickCount(), std::memory_order_relaxed);
        const PaError error = Pa_StartStream(m_stream);
        m_stopping.store(false, std::memory_order_release);
        if (error != paNoError)
            m_failed.store(true, std::memory_order_release);
        return kWaveOk;
    }

private:
    void stop() {
        m_stopping.store(true, std::memory_order_release);
        if (m_stream && !Pa_IsStreamStopped(m_stream))
            Pa_AbortStream(m_stream);
    }

    // Only while the callback does not run (stopped stream or none).
    void drain() {
        m_offset = 0;
        while (WaveHeader* header = m_queue.front()) {
            m_queue.pop();
            markHeaderDone(*header);
        }
    }

    static int callback(const void*, void* output, unsigned long frameCount,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        auto& self = *static_cast<PortAudioWaveOut*>(user);
        self.m_lastCallback.store(tickCount(), std::memory_order_relaxed);
        auto* out = static_cast<char*>(output);
        size_t wanted = frameCount * kBytesPerFrame;
        while (wanted > 0) {
            WaveHeader* header = self.m_queue.front();
            if (!header) {
                std::memset(out, 0, wanted); // underrun: silence, as a card plays it
                break;
            }
            const size_t take = std::min<size_t>(wanted, header->bufferLength - self.m_offset);
            std::memcpy(out, header->data + self.m_offset, take);
            out += take;
            wanted -= take;
            self.m_offset += static_cast<uint32_t>(take);
            if (self.m_offset == header->bufferLength) {
                self.m_queue.pop();
                self.m_offset = 0;
                markHeaderDone(*header);
            }
        }
        return paContinue;
    }

    // The stream ended without being asked to: the device failed or went away.
    static void finished(void* user) {
        auto& self = *static_cast<PortAudioWaveOut*>(user);
        if (!self.m_stopping.load(std::memory_order_acquire))
            self.m_failed.store(true, std::memory_order_release);
    }

    PortAudioBackend& m_backend;
    PaStream* m_stream = nullptr;
    WaveQueue m_queue;
    uint32_t m_offset = 0; // bytes of the oldest header already copied; draining side only
    std::atomic<uint32_t> m_lastCallback{0};
    std::atomic<bool> m_stopping{true};
    std::atomic<bool> m_failed{false};
};

class PortAudioBackend : public WaveBackend {
public:
    ~PortAudioBackend() override {
        if (m_initialised)
            Pa_Terminate();
    }

    uint32_t deviceCount() override {
        std::lock_guard lock(m_mutex);
        // PortAudio sees the hardware as it was when it started; starting it afresh while no
        // stream is open lets a card plugged in later (or a restarted sound server) appear.
        if (m_openStreams == 0)
            refresh();
        return static_cast<uint32_t>(m_devices.size());
    }

    bool deviceName(uint32_t id, std::string& name) override {
        std::lock_guard lock(m_mutex);
        if (!m_listed)
            refresh();
        if (id >= m_devices.size())
            return false;
        name = m_names[id];
        return true;
    }

    uint32_t open(uint32_t id, std::unique_ptr<WaveOut>& device) override {
        std::unique_lock lock(m_mutex);
        if (!m_listed)
            refresh();
        if (id >= m_devices.size())
            return kWaveBadDeviceId;
        const PaDeviceIndex index = m_devices[id];
        ++m_openStreams; // from here on nobody restarts PortAudio under the new stream
        lock.unlock();
        auto opened = std::make_unique<PortAudioWaveOut>(*this);
        const uint32_t result = opened->start(index);
        if (result != kWaveOk)
            return result; // the device's destructor gives the count back
        device = std::move(opened);
        return kWaveOk;
    }

    void closed() {
        std::lock_guard lock(m_mutex);
        --m_openStreams;
    }

private:
    // Under m_mutex, with no stream open.
    void refresh() {
        if (m_initialised)
            Pa_Terminate();
        m_initialised = Pa_Initialize() == paNoError;
        list();
        m_listed = true;
    }

    // Under m_mutex. Every output that takes 16-bit stereo at 44100 Hz, the system's default
    // output first so that device 0 is where the desktop plays its sound.
    void list() {
        m_devices.clear();
        m_names.clear();
        if (!m_initialised)
            return;
        std::vector<PaDeviceIndex> order;
        const PaDeviceIndex preferred = Pa_GetDefaultOutputDevice();
        if (preferred != paNoDevice)
            order.push_back(preferred);
        for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
            if (i != preferred)
                order.push_back(i);
        }
        for (PaDeviceIndex index : order) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
            if (!info || info->maxOutputChannels < 2)
                continue;
            const PaStreamParameters parameters = outputParameters(index);
            if (Pa_IsFormatSupported(nullptr, &parameters, kRate) != paFormatIsSupported)
                continue;
            m_devices.push_back(index);
            m_names.emplace_back(info->name ? info->name : "");
        }
    }

    std::mutex m_mutex;
    bool m_initialised = false;
    bool m_listed = false;
    int m_openStreams = 0;
    std::vector<PaDeviceIndex> m_devices;
    std::vector<std::string> m_names;
};

PortAudioWaveOut::~PortAudioWaveOut() {
    if (m_stream) {
        stop();
        Pa_CloseStream(m_stream);
    }
    drain();
    m_backend.closed();
}

} // namespace

std::unique_ptr<WaveBackend> makePortAudioBackend() {
    return std::make_unique<PortAudioBackend>();
}

} // namespace klv::platform

// Sound cards through PortAudio (ALSA, JACK, and PulseAudio/PipeWire through their ALSA
// plug-ins). Each device is a callback stream that copies the queued buffers out in order.

#include "platform/audio/wave_device.h"
#include "platform/system/clock.h"

#include <portaudio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace klv::platform {

namespace {

constexpr uint32_t kBytesPerFrame = 4;
constexpr double kRate = 44100.0;
// A stream whose callback has not run for this long while buffers wait (sound server gone,
// card pulled without an error) counts as failed, so queue requests fail instead of the
// engine waiting on buffers that will never finish.
constexpr uint32_t kStallMs = 1500;
// How long closing or resetting a device waits for PortAudio to stop its stream.
constexpr uint32_t kStopWaitMs = 2000;

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

// What the stream's callback touches. It outlives the device when a stream has to be given up
// (see stop()), because PortAudio may still call back into it.
struct StreamState {
    WaveQueue queue;
    uint32_t offset = 0; // bytes of the oldest header already copied; draining side only
    std::atomic<uint32_t> lastCallback{0};
    std::atomic<bool> stopping{true};
    std::atomic<bool> failed{false};
    // Set when the stream was given up; the callback then leaves the queue alone. inCallback
    // lets the giving-up side wait until a callback that is running has left.
    std::atomic<bool> abandoned{false};
    std::atomic<bool> inCallback{false};
};

class PortAudioWaveOut : public WaveOut {
public:
    explicit PortAudioWaveOut(PortAudioBackend& backend)
        : m_backend(backend), m_state(new StreamState) {}
    ~PortAudioWaveOut() override;

    uint32_t start(PaDeviceIndex device) {
        const PaStreamParameters parameters = outputParameters(device);
        PaError error =
            Pa_OpenStream(&m_stream, nullptr, &parameters, kRate, paFramesPerBufferUnspecified,
                          paNoFlag, &PortAudioWaveOut::callback, m_state);
        if (error != paNoError) {
            m_stream = nullptr;
            return resultOf(error);
        }
        Pa_SetStreamFinishedCallback(m_stream, &PortAudioWaveOut::finished);
        m_state->lastCallback.store(tickCount(), std::memory_order_relaxed);
        error = Pa_StartStream(m_stream);
        m_state->stopping.store(false, std::memory_order_release);
        return resultOf(error);
    }

    uint32_t write(WaveHeader& header) override {
        if (const uint32_t refused = checkQueueable(header))
            return refused;
        StreamState& state = *m_state;
        if (state.failed.load(std::memory_order_acquire))
            return kWaveError;
        if (state.queue.size() > 0 &&
            tickCount() - state.lastCallback.load(std::memory_order_relaxed) > kStallMs) {
            state.failed.store(true, std::memory_order_release);
            return kWaveError;
        }
        return enqueueHeader(state.queue, header);
    }

    uint32_t reset() override {
        stop();
        drain();
        if (m_state->abandoned.load(std::memory_order_acquire))
            return kWaveOk; // nothing left to restart; queue requests fail from now on
        m_state->lastCallback.store(tickCount(), std::memory_order_relaxed);
        const PaError error = Pa_StartStream(m_stream);
        m_state->stopping.store(false, std::memory_order_release);
        if (error != paNoError)
            m_state->failed.store(true, std::memory_order_release);
        return kWaveOk;
    }

    bool abandoned() const { return m_state->abandoned.load(std::memory_order_acquire); }

private:
    // Stops the stream. A driver that blocks inside its write (a hung sound server, a device
    // that never takes data) also blocks PortAudio's abort, which waits for the stream's
    // thread; after kStopWaitMs the stream is given up instead, so that closing a device never
    // hangs the output.
    void stop() {
        StreamState& state = *m_state;
        state.stopping.store(true, std::memory_order_release);
        if (!m_stream || state.abandoned.load(std::memory_order_acquire) ||
            Pa_IsStreamStopped(m_stream) == 1)
            return;
        auto aborted = std::make_shared<std::atomic<bool>>(false);
        std::thread aborter([stream = m_stream, aborted] {
            Pa_AbortStream(stream);
            aborted->store(true, std::memory_order_release);
        });
        for (uint32_t waited = 0; !aborted->load(std::memory_order_acquire); waited += 5) {
            if (waited >= kStopWaitMs)
                break;
            sleepMs(5);
        }
        if (aborted->load(std::memory_order_acquire)) {
            aborter.join();
            return;
        }
        aborter.detach(); // stays blocked with the driver
        state.failed.store(true, std::memory_order_release);
        state.abandoned.store(true, std::memory_order_seq_cst);
        while (state.inCallback.load(std::memory_order_seq_cst))
            sleepMs(1);
    }

    // Only while the callback leaves the queue alone (stopped or abandoned stream, or none).
    void drain() {
        StreamState& state = *m_state;
        state.offset = 0;
        while (WaveHeader* header = state.queue.front()) {
            state.queue.pop();
            markHeaderDone(*header);
        }
    }

    static int callback(const void*, void* output, unsigned long frameCount,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        auto& state = *static_cast<StreamState*>(user);
        state.inCallback.store(true, std::memory_order_seq_cst);
        if (state.abandoned.load(std::memory_order_seq_cst)) {
            state.inCallback.store(false, std::memory_order_release);
            return paAbort;
        }
        state.lastCallback.store(tickCount(), std::memory_order_relaxed);
        auto* out = static_cast<char*>(output);
        size_t wanted = frameCount * kBytesPerFrame;
        while (wanted > 0) {
            WaveHeader* header = state.queue.front();
            if (!header) {
                std::memset(out, 0, wanted); // underrun: silence, as a card plays it
                break;
            }
            const size_t take = std::min<size_t>(wanted, header->bufferLength - state.offset);
            std::memcpy(out, header->data + state.offset, take);
            out += take;
            wanted -= take;
            state.offset += static_cast<uint32_t>(take);
            if (state.offset == header->bufferLength) {
                state.queue.pop();
                state.offset = 0;
                markHeaderDone(*header);
            }
        }
        state.inCallback.store(false, std::memory_order_release);
        return paContinue;
    }

    // The stream ended without being asked to: the device failed or went away.
    static void finished(void* user) {
        auto& state = *static_cast<StreamState*>(user);
        if (!state.stopping.load(std::memory_order_acquire))
            state.failed.store(true, std::memory_order_release);
    }

    PortAudioBackend& m_backend;
    PaStream* m_stream = nullptr;
    StreamState* m_state; // deleted with the device unless the stream was given up
};

class PortAudioBackend : public WaveBackend {
public:
    // A stream that had to be given up stays open for good; stopping PortAudio would wait for
    // it forever.
    ~PortAudioBackend() override {
        std::lock_guard lock(m_mutex);
        if (m_initialised && m_openStreams == 0)
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
    if (m_stream)
        stop();
    drain();
    if (abandoned()) {
        // PortAudio still owns the stream and may call back into its state: both stay, and
        // PortAudio is never restarted under them (the stream stays counted as open).
        return;
    }
    if (m_stream)
        Pa_CloseStream(m_stream);
    delete m_state;
    m_backend.closed();
}

} // namespace

std::unique_ptr<WaveBackend> makePortAudioBackend() {
    return std::make_unique<PortAudioBackend>();
}

} // namespace klv::platform

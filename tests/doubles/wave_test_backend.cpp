// The test back end: devices that play only when a test tells them to.

#include "tests/doubles/wave_test_backend.h"

#include "platform/audio/wave_device.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace klv::platform {

namespace {

constexpr uint32_t kMaxDevices = 16;

class TestWaveOut;

struct DeviceState {
    std::atomic<uint32_t> openError{0};
    std::atomic<uint32_t> writeError{0};
    std::atomic<bool> autoComplete{false};
    std::atomic<uint64_t> writeRequests{0};
    std::atomic<uint64_t> acceptedWrites{0};
    std::atomic<uint32_t> opens{0};
    std::atomic<uint32_t> resets{0};
    std::atomic<uint32_t> closes{0};
    // Guarded by g_mutex.
    TestWaveOut* device = nullptr;
    std::vector<int16_t> played;
    uint64_t playedBuffers = 0;
};

// g_mutex guards the open devices, the recordings and the draining side of every queue; the
// queuing side takes no lock.
std::mutex g_mutex;
std::atomic<uint32_t> g_count{2};
DeviceState g_devices[kMaxDevices];

void drainAll(WaveQueue& queue) {
    while (WaveHeader* header = queue.front()) {
        queue.pop();
        markHeaderDone(*header);
    }
}

class TestWaveOut : public WaveOut {
public:
    explicit TestWaveOut(uint32_t id) : m_id(id) {}

    ~TestWaveOut() override {
        std::lock_guard lock(g_mutex);
        drainAll(m_queue);
        g_devices[m_id].device = nullptr;
        g_devices[m_id].closes.fetch_add(1);
    }

    uint32_t write(WaveHeader& header) override {
        DeviceState& state = g_devices[m_id];
        uint32_t result = state.writeError.load();
        if (result == kWaveOk)
            result = checkQueueable(header);
        if (result == kWaveOk) {
            if (state.autoComplete.load()) {
                header.flags.store((header.flags.load(std::memory_order_relaxed) | kWhdrDone) &
                                       ~kWhdrInQueue,
                                   std::memory_order_release);
            } else {
                result = enqueueHeader(m_queue, header);
            }
        }
        if (result == kWaveOk)
            state.acceptedWrites.fetch_add(1);
        // Counted last, so that a test which sees the count also sees the request's effect.
        state.writeRequests.fetch_add(1);
        return result;
    }

    uint32_t reset() override {
        std::lock_guard lock(g_mutex);
        drainAll(m_queue);
        g_devices[m_id].resets.fetch_add(1);
        return kWaveOk;
    }

    // Under g_mutex.
    WaveQueue& queue() { return m_queue; }

private:
    uint32_t m_id;
    WaveQueue m_queue;
};

class TestBackend : public WaveBackend {
public:
    uint32_t deviceCount() override { return g_count.load(); }

    bool deviceName(uint32_t id, std::string& name) override {
        if (id >= deviceCount())
            return false;
        name = "Test Output " + std::to_string(id);
        return true;
    }

    uint32_t open(uint32_t id, std::unique_ptr<WaveOut>& device) override {
        if (id >= deviceCount())
            return kWaveBadDeviceId;
        DeviceState& state = g_devices[id];
        if (const uint32_t error = state.openError.load(); error != kWaveOk)
            return error;
        std::lock_guard lock(g_mutex);
        if (state.device)
            return kWaveAllocated;
        auto opened = std::make_unique<TestWaveOut>(id);
        state.device = opened.get();
        state.opens.fetch_add(1);
        device = std::move(opened);
        return kWaveOk;
    }
};

DeviceState* stateOf(uint32_t id) {
    return id < kMaxDevices ? &g_devices[id] : nullptr;
}

} // namespace

WaveBackend& testBackend() {
    static TestBackend backend;
    return backend;
}

namespace wavetest {

void install() {
    installTestBackend(testBackend());
}

void configure(uint32_t count) {
    std::lock_guard lock(g_mutex);
    g_count.store(std::min(count, kMaxDevices));
    for (DeviceState& state : g_devices) {
        state.openError.store(0);
        state.writeError.store(0);
        state.autoComplete.store(false);
        state.writeRequests.store(0);
        state.acceptedWrites.store(0);
        state.opens.store(0);
        state.resets.store(0);
        state.closes.store(0);
        state.played.clear();
        state.playedBuffers = 0;
    }
}

void failOpen(uint32_t id, uint32_t errorCode) {
    if (DeviceState* state = stateOf(id))
        state->openError.store(errorCode);
}

void failWrites(uint32_t id, uint32_t errorCode) {
    if (DeviceState* state = stateOf(id))
        state->writeError.store(errorCode);
}

void setAutoComplete(uint32_t id, bool on) {
    if (DeviceState* state = stateOf(id))
        state->autoComplete.store(on);
}

bool playOldest(uint32_t id) {
    DeviceState* state = stateOf(id);
    if (!state)
        return false;
    std::lock_guard lock(g_mutex);
    if (!state->device)
        return false;
    WaveQueue& queue = state->device->queue();
    WaveHeader* header = queue.front();
    if (!header)
        return false;
    const size_t samples = header->bufferLength / sizeof(int16_t);
    const size_t start = state->played.size();
    state->played.resize(start + samples);
    std::memcpy(state->played.data() + start, header->data, header->bufferLength);
    ++state->playedBuffers;
    queue.pop();
    markHeaderDone(*header);
    return true;
}

uint32_t queuedCount(uint32_t id) {
    DeviceState* state = stateOf(id);
    if (!state)
        return 0;
    std::lock_guard lock(g_mutex);
    return state->device ? state->device->queue().size() : 0;
}

uint64_t writeRequests(uint32_t id) {
    DeviceState* state = stateOf(id);
    return state ? state->writeRequests.load() : 0;
}

uint64_t acceptedWrites(uint32_t id) {
    DeviceState* state = stateOf(id);
    return state ? state->acceptedWrites.load() : 0;
}

bool waitForWriteRequests(uint32_t id, uint64_t count, uint32_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (writeRequests(id) < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

std::vector<int16_t> played(uint32_t id) {
    DeviceState* state = stateOf(id);
    if (!state)
        return {};
    std::lock_guard lock(g_mutex);
    return state->played;
}

uint64_t playedBuffers(uint32_t id) {
    DeviceState* state = stateOf(id);
    if (!state)
        return 0;
    std::lock_guard lock(g_mutex);
    return state->playedBuffers;
}

uint32_t openCount(uint32_t id) {
    DeviceState* state = stateOf(id);
    return state ? state->opens.load() : 0;
}

uint32_t resetCount(uint32_t id) {
    DeviceState* state = stateOf(id);
    return state ? state->resets.load() : 0;
}

uint32_t closeCount(uint32_t id) {
    DeviceState* state = stateOf(id);
    return state ? state->closes.load() : 0;
}

bool isOpen(uint32_t id) {
    DeviceState* state = stateOf(id);
    if (!state)
        return false;
    std::lock_guard lock(g_mutex);
    return state->device != nullptr;
}

} // namespace wavetest

} // namespace klv::platform

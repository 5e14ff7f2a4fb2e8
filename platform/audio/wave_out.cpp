#include "platform/audio/wave_out.h"

#include "platform/audio/wave_device.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace klv::platform {

namespace {

std::atomic<WaveBackend*> g_testBackend{nullptr};

// What "test" gives a process that installed no test back end: no device at all.
class NoDevices : public WaveBackend {
public:
    uint32_t deviceCount() override { return 0; }
    bool deviceName(uint32_t, std::string&) override { return false; }
    uint32_t open(uint32_t, std::unique_ptr<WaveOut>&) override { return kWaveBadDeviceId; }
};

WaveBackend& chooseBackend() {
    const char* choice = std::getenv("KELVARA_AUDIO");
    if (choice && std::strcmp(choice, "test") == 0) {
        if (WaveBackend* installed = g_testBackend.load(std::memory_order_acquire))
            return *installed;
        static NoDevices none;
        return none;
    }
    // Never destroyed: a device may still be closing on another thread while the process ends.
    if (choice && std::strcmp(choice, "virtual") == 0)
        return *makeVirtualBackend().release();
    return *makePortAudioBackend().release();
}

bool formatAccepted(const WaveFormat& format) {
    return format.channels == 2 && format.samplesPerSec == 44100 && format.bitsPerSample == 16;
}

} // namespace

void installTestBackend(WaveBackend& backend) {
    g_testBackend.store(&backend, std::memory_order_release);
}

WaveBackend& waveBackend() {
    static WaveBackend& backend = chooseBackend();
    return backend;
}

uint32_t waveOutGetNumDevs() {
    return waveBackend().deviceCount();
}

bool waveOutGetDeviceName(uint32_t id, std::string& name) {
    return waveBackend().deviceName(id, name);
}

uint32_t waveOutOpen(WaveOut** device, uint32_t id, const WaveFormat& format, uint32_t) {
    if (!device)
        return kWaveInvalidParam;
    *device = nullptr;
    if (id >= waveBackend().deviceCount())
        return kWaveBadDeviceId;
    if (!formatAccepted(format))
        return kWaveBadFormat;
    std::unique_ptr<WaveOut> opened;
    const uint32_t result = waveBackend().open(id, opened);
    if (result == kWaveOk)
        *device = opened.release();
    return result;
}

uint32_t waveOutPrepareHeader(WaveOut* device, WaveHeader* header) {
    if (!device)
        return kWaveInvalidHandle;
    if (!header || !header->data || header->bufferLength == 0 || header->bufferLength % 4 != 0)
        return kWaveInvalidParam;
    const uint32_t flags = header->flags.load(std::memory_order_acquire);
    if (flags & kWhdrInQueue)
        return kWaveStillPlaying;
    header->flags.store(flags | kWhdrPrepared, std::memory_order_relaxed);
    return kWaveOk;
}

uint32_t waveOutUnprepareHeader(WaveOut* device, WaveHeader* header) {
    if (!device)
        return kWaveInvalidHandle;
    if (!header)
        return kWaveInvalidParam;
    const uint32_t flags = header->flags.load(std::memory_order_acquire);
    if (flags & kWhdrInQueue)
        return kWaveStillPlaying;
    header->flags.store(flags & ~kWhdrPrepared, std::memory_order_relaxed);
    return kWaveOk;
}

uint32_t waveOutWrite(WaveOut* device, WaveHeader* header) {
    if (!device)
        return kWaveInvalidHandle;
    if (!header)
        return kWaveInvalidParam;
    return device->write(*header);
}

uint32_t waveOutReset(WaveOut* device) {
    if (!device)
        return kWaveInvalidHandle;
    return device->reset();
}

uint32_t waveOutClose(WaveOut* device) {
    if (!device)
        return kWaveInvalidHandle;
    delete device;
    return kWaveOk;
}

} // namespace klv::platform

#include "engine/audio/output_device.h"

#include <cstring>

namespace klv::engine {

uint32_t OutputDevice::open(int32_t id) {
    return platform::waveOutOpen(&m_device, static_cast<uint32_t>(id), platform::WaveFormat{},
                                 platform::kWaveAllowSync);
}

void OutputDevice::prepareBuffers() {
    m_samples = std::make_unique<int16_t[]>(kQueueBuffers * kBlockSamples); // zeroed: silence
    for (int32_t i = 0; i < kQueueBuffers; ++i) {
        platform::WaveHeader& header = m_headers[i];
        header.data = reinterpret_cast<char*>(m_samples.get() + i * kBlockSamples);
        header.bufferLength = kBlockBytes;
        header.flags.store(0, std::memory_order_relaxed);
        platform::waveOutPrepareHeader(m_device, &header);
        if (i > 0)
            platform::waveOutWrite(m_device, &header);
    }
}

void OutputDevice::close() {
    if (!m_device)
        return;
    platform::waveOutReset(m_device);
    if (m_samples) {
        for (platform::WaveHeader& header : m_headers)
            platform::waveOutUnprepareHeader(m_device, &header);
    }
    platform::waveOutClose(m_device);
    m_device = nullptr;
    m_samples.reset();
}

int16_t* OutputDevice::writable(int32_t i) {
    if (flags(i) & platform::kWhdrInQueue)
        return nullptr;
    return m_samples.get() + i * kBlockSamples;
}

uint32_t OutputDevice::queue(int32_t i) {
    return platform::waveOutWrite(m_device, &m_headers[i]);
}

void OutputDevice::copyBuffer(int32_t from, int32_t to) {
    if (int16_t* target = writable(to))
        std::memcpy(target, m_samples.get() + from * kBlockSamples, kBlockBytes);
}

} // namespace klv::engine

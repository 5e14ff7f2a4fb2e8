#pragma once
// One wave device of the output thread with its queue of kQueueBuffers one-block buffers.

#include "engine/audio/output_format.h"
#include "platform/audio/wave_out.h"

#include <array>
#include <cstdint>
#include <memory>

namespace klv::engine {

class OutputDevice {
public:
    OutputDevice() = default;
    ~OutputDevice() { close(); }
    OutputDevice(const OutputDevice&) = delete;
    OutputDevice& operator=(const OutputDevice&) = delete;

    // Opens device id with the output format; returns the platform's error code (0 = open).
    uint32_t open(int32_t id);

    // Allocates the buffers, silent, prepares them all and queues all but buffer 0, which
    // waits prepared: the first block goes there.
    void prepareBuffers();

    // Resets the device, unprepares and frees the buffers and closes the device.
    void close();

    // Buffer i's samples, or null while the device still holds it (its wait timed out).
    int16_t* writable(int32_t i);

    // Finished playing (done flag set).
    bool isDone(int32_t i) const { return flags(i) & platform::kWhdrDone; }
    // Queued and not finished: the output must wait before refilling it.
    bool isPending(int32_t i) const {
        const uint32_t f = flags(i);
        return (f & platform::kWhdrInQueue) && !(f & platform::kWhdrDone);
    }

    // Queues buffer i; the platform's error code.
    uint32_t queue(int32_t i);

    // Copies buffer from into buffer to, unless the device still holds to.
    void copyBuffer(int32_t from, int32_t to);

private:
    uint32_t flags(int32_t i) const { return m_headers[i].flags.load(std::memory_order_acquire); }

    platform::WaveOut* m_device = nullptr;
    std::unique_ptr<int16_t[]> m_samples; // kQueueBuffers blocks
    std::array<platform::WaveHeader, kQueueBuffers> m_headers;
};

} // namespace klv::engine

#pragma once
// Wave output devices: numbered devices with names, opened with 16-bit stereo 44100 Hz, fed
// through a queue of fixed buffers. The back end is chosen once per process by $KELVARA_AUDIO:
// unset or "portaudio" the sound cards, "virtual" the virtual output and recorder, "test" the
// back end a test program installs (tests/doubles/wave_test_backend.h: devices the tests step
// block by block).
//
// The model is the classic one of the wave output family: the caller owns its buffers and
// their headers, prepares each header once, queues it with waveOutWrite and learns that the
// device has played it from the header's done flag. A device plays its queued buffers in the
// order they were queued and plays silence while its queue is empty.
//
// Thread contract: the listing functions are [thread-safe]. One device handle is used by one
// thread at a time (the owner); the device's own thread only ever changes the flags of headers
// that are in its queue. waveOutWrite takes no lock, allocates nothing and never blocks, so the
// engine's output thread may call it in its block loop.

#include "platform/platform_api.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace klv::platform {

// Result codes, numbered as the multimedia system numbers them.
constexpr uint32_t kWaveOk = 0;            // no error
constexpr uint32_t kWaveError = 1;         // unspecified error (device gone, stream failed)
constexpr uint32_t kWaveBadDeviceId = 2;   // no device with that number
constexpr uint32_t kWaveAllocated = 4;     // the device is busy
constexpr uint32_t kWaveInvalidHandle = 5; // null device handle
constexpr uint32_t kWaveNoMemory = 7;      // queue full, out of memory
constexpr uint32_t kWaveInvalidParam = 11; // null or malformed header
constexpr uint32_t kWaveBadFormat = 32;    // format other than 16-bit stereo 44100
constexpr uint32_t kWaveStillPlaying = 33; // the header is still in the device's queue
constexpr uint32_t kWaveUnprepared = 34;   // the header was not prepared

// Header flags.
constexpr uint32_t kWhdrDone = 0x01;     // the device has finished with the buffer
constexpr uint32_t kWhdrPrepared = 0x02; // prepared for this device
constexpr uint32_t kWhdrInQueue = 0x10;  // queued and not yet finished

// Open flag accepted for compatibility: writes never block here anyway.
constexpr uint32_t kWaveAllowSync = 0x02;

// The only format the devices accept: linear PCM, left sample first, 4 bytes per frame.
struct WaveFormat {
    uint16_t channels = 2;
    uint32_t samplesPerSec = 44100;
    uint16_t bitsPerSample = 16;
};

// One buffer of the caller. data and bufferLength (a multiple of 4 bytes) stay unchanged from
// prepare to unprepare; the caller must not touch data while kWhdrInQueue is set. flags is
// written by the device while the header is queued: read it with acquire.
struct WaveHeader {
    char* data = nullptr;
    uint32_t bufferLength = 0;
    std::atomic<uint32_t> flags{0};
};

class WaveOut; // an open device

// Number of output devices of the chosen back end. [thread-safe]
KLV_PLATFORM_API uint32_t waveOutGetNumDevs();

// Name of device id; false for an id out of range. [thread-safe]
KLV_PLATFORM_API bool waveOutGetDeviceName(uint32_t id, std::string& name);

// Opens device id. On success *device is the handle and the device plays silence until
// buffers are queued. kWaveBadDeviceId for an unknown id, kWaveBadFormat for any other format.
KLV_PLATFORM_API uint32_t waveOutOpen(WaveOut** device, uint32_t id, const WaveFormat& format,
                                      uint32_t flags);

// Marks a header prepared for the device. kWaveStillPlaying while it is queued.
KLV_PLATFORM_API uint32_t waveOutPrepareHeader(WaveOut* device, WaveHeader* header);

// Clears the prepared mark. kWaveStillPlaying while it is queued.
KLV_PLATFORM_API uint32_t waveOutUnprepareHeader(WaveOut* device, WaveHeader* header);

// Queues a prepared header behind the others: clears kWhdrDone, sets kWhdrInQueue. Fails with
// kWaveUnprepared, kWaveStillPlaying (already queued), kWaveNoMemory (queue full) or kWaveError
// when the device has failed or disappeared; a failed request changes nothing. [real-time safe]
KLV_PLATFORM_API uint32_t waveOutWrite(WaveOut* device, WaveHeader* header);

// Stops playback and hands every queued header back marked done. The device stays open.
KLV_PLATFORM_API uint32_t waveOutReset(WaveOut* device);

// Closes the device (queued headers are handed back first) and frees the handle.
KLV_PLATFORM_API uint32_t waveOutClose(WaveOut* device);

} // namespace klv::platform

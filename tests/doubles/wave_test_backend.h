#pragma once
// Control of the test wave back end ($KELVARA_AUDIO=test). Its devices never play by
// themselves: a test plays the oldest queued buffer of a device when it wants to, reads what
// was played sample for sample, and can make opens or queue requests fail. Buffers are copied
// when they are played, on the test's thread, so a queue request never allocates.
//
// [thread-safe] Every function may be called while the engine's threads use the devices.

#include <cstdint>
#include <vector>

namespace klv::platform {

// The one test back end of the process.
class WaveBackend;
WaveBackend& testBackend();

} // namespace klv::platform

namespace klv::platform::wavetest {

// Makes the test back end the one $KELVARA_AUDIO=test chooses. Test mains call it first.
void install();

// Forgets everything (played samples, counters, failures) and offers count devices named
// "Test Output <id>". Call before the devices are opened. The default is 2 devices.
void configure(uint32_t count);

// The next opens of device id fail with errorCode (0: opens succeed again).
void failOpen(uint32_t id, uint32_t errorCode);

// While set, every queue request on device id fails with errorCode (0: requests succeed).
void failWrites(uint32_t id, uint32_t errorCode);

// While set, device id finishes each buffer as soon as it is queued, without recording it.
void setAutoComplete(uint32_t id, bool on);

// Plays the oldest queued buffer of device id: appends its samples to the recording and marks
// it done. False when the device is not open or has nothing queued.
bool playOldest(uint32_t id);

// Number of buffers queued on device id and not yet played (0 when it is not open).
uint32_t queuedCount(uint32_t id);

// Queue requests on device id so far: all of them (refused ones included), and those that
// were accepted.
uint64_t writeRequests(uint32_t id);
uint64_t acceptedWrites(uint32_t id);

// Waits until device id has seen at least count queue requests; false after timeoutMs.
bool waitForWriteRequests(uint32_t id, uint64_t count, uint32_t timeoutMs = 10000);

// Samples played on device id so far, left then right, and how many buffers they came from.
std::vector<int16_t> played(uint32_t id);
uint64_t playedBuffers(uint32_t id);

// How often device id was opened, reset and closed, and whether it is open now.
uint32_t openCount(uint32_t id);
uint32_t resetCount(uint32_t id);
uint32_t closeCount(uint32_t id);
bool isOpen(uint32_t id);

} // namespace klv::platform::wavetest

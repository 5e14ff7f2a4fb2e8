#pragma once
// Wave output devices: numbered devices with names, opened with 16-bit stereo 44100 Hz, fed
// through a queue of fixed buffers. The back end is chosen once per process by $KELVARA_AUDIO:
// unset or "portaudio" the sound cards, "virtual" the virtual output and recorder, "test" the
// test back end that tests step block by block.

#include <cstdint>
#include <string>

namespace klv::platform {

// Number of output devices of the chosen back end. [thread-safe]
uint32_t waveOutGetNumDevs();

// Name of device id; false for an id out of range. [thread-safe]
bool waveOutGetDeviceName(uint32_t id, std::string& name);

} // namespace klv::platform

#pragma once
// Writes 16-bit stereo 44100 Hz PCM into numbered WAV files kelvara-rec-<n>.wav. The header's
// sizes are brought up to date by finalise(), which the recorder's owner calls every few
// seconds and on close, so a crash leaves a playable file with all but the last seconds.

#include "platform/platform_api.h"

#include <cstdint>
#include <filesystem>

namespace klv::platform {

class KLV_PLATFORM_API WavRecorder {
public:
    WavRecorder() = default;
    ~WavRecorder(); // finalises and closes
    WavRecorder(const WavRecorder&) = delete;
    WavRecorder& operator=(const WavRecorder&) = delete;

    // Creates the first kelvara-rec-<n>.wav (n from 1) that does not exist yet in folder.
    bool open(const std::filesystem::path& folder);

    // Appends whole frames. A file about to pass the format's 4 GB limit is finalised and the
    // recording continues in the next numbered file. False on a write error.
    bool append(const void* data, uint32_t bytes);

    // Writes the current sizes into the header.
    void finalise();

    const std::filesystem::path& path() const { return m_path; }
    uint64_t dataBytes() const { return m_dataBytes; }

private:
    bool create();
    void close();

    std::filesystem::path m_folder;
    std::filesystem::path m_path;
    int m_fd = -1;
    uint64_t m_dataBytes = 0;
    bool m_dirty = false;
};

} // namespace klv::platform

#pragma once
// Follows the WAV file that the virtual recorder device writes while the soak runs and looks
// for silent gaps in it. The output mixes in blocks of 1024 frames and the recorder appends
// whole blocks, so the file is read block by block from its first sample. Silence before the
// first sound is the lead-in (the lines are opened after the output starts); after it, every
// run of silent blocks is counted, and runs long enough to hear are gaps.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace klvsoak {

class RecordingWatch {
public:
    static constexpr uint32_t kBlockFrames = 1024;
    static constexpr uint32_t kBlockBytes = kBlockFrames * 4;
    // A block whose loudest sample stays below this (about -54 dBFS) is silent.
    static constexpr int kSilentPeak = 64;
    // Two silent blocks in a row (46 ms) are a gap a listener hears as a drop-out.
    static constexpr uint32_t kGapBlocks = 2;

    // punchHoles: give the disk space of what was checked back (the file keeps its size), so
    // that a run of hours does not fill the disk with a recording nobody keeps.
    RecordingWatch(std::filesystem::path file, bool punchHoles);
    ~RecordingWatch();
    RecordingWatch(const RecordingWatch&) = delete;
    RecordingWatch& operator=(const RecordingWatch&) = delete;

    // Bytes of sound recorded so far (the file's size less its header). 0 before it exists.
    uint64_t recordedBytes() const;

    // Checks the whole blocks recorded since the last call, up to limitBytes of sound from the
    // file's start. False when the file cannot be read.
    bool check(uint64_t limitBytes = UINT64_MAX);

    // Ends the check: a silent run still open at the end counts like any other.
    void finish();

    uint64_t leadInBlocks() const { return m_leadIn; }
    uint64_t checkedBlocks() const { return m_checked; }
    uint64_t silentBlocks() const { return m_silent; }
    uint64_t longestSilentRun() const { return m_longestRun; }
    // Each gap: where it starts, in seconds from the first sound, and its length in blocks.
    struct Gap {
        double atSeconds;
        uint64_t blocks;
    };
    const std::vector<Gap>& gaps() const { return m_gaps; }
    const std::filesystem::path& file() const { return m_file; }

private:
    void checkBlock(const int16_t* samples);
    void closeRun();

    std::filesystem::path m_file;
    bool m_punchHoles;
    int m_fd = -1;
    uint64_t m_offset = 0; // sound bytes read so far
    uint64_t m_punched = 0;
    bool m_sounded = false;
    uint64_t m_leadIn = 0;
    uint64_t m_checked = 0; // blocks after the lead-in
    uint64_t m_silent = 0;
    uint64_t m_run = 0;
    uint64_t m_runStart = 0;
    uint64_t m_longestRun = 0;
    std::vector<Gap> m_gaps;
    std::vector<int16_t> m_buffer;
};

} // namespace klvsoak

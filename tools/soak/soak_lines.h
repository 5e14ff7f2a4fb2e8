#pragma once
// The six lines of the soak and the random changes a DJ makes to them: transport (pause,
// resume, stop, seek, another file), pitch, volume and pan, song and master equalizer, the
// compressor plug-in in and out of the chain, and the tempo and oversampling options. A
// transport change is only made while at least kMinSteady other lines keep playing untouched,
// so the mix always has sound and any silence on the recording is a fault.

#include "klv3.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace klvsoak {

constexpr int kLineCount = 6;
constexpr int kMinSteady = 2;

struct SoakCounts {
    uint64_t transport = 0;
    uint64_t reopens = 0;
    uint64_t pitch = 0;
    uint64_t levels = 0;
    uint64_t songEq = 0;
    uint64_t masterEq = 0;
    uint64_t pluginLoads = 0;
    uint64_t pluginUnloads = 0;
    uint64_t optionFlips = 0;
    uint64_t progressChecks = 0;
};

class SoakLines {
public:
    SoakLines(std::vector<std::string> files, std::string pluginPath, const OptionsRecord& options,
              uint32_t seed);
    ~SoakLines();
    SoakLines(const SoakLines&) = delete;
    SoakLines& operator=(const SoakLines&) = delete;

    // Opens a file on every line (looping) and starts them all. False with the reason.
    bool start(std::string& error);

    // One random change. [now: tick count in ms]
    void act(uint32_t now);

    // The program's display timer: recomputes every line's position.
    void updatePositions();

    // Every line that has played untouched since the previous check must have moved on. False
    // with the reason when one has not.
    bool checkProgress(uint32_t now, std::string& reason);

    // Stops and closes every line and unloads the plug-in.
    void closeAll();

    const SoakCounts& counts() const { return m_counts; }
    int playingCount() const;

private:
    struct Line {
        LineHandle handle{};
        bool playing = false;
        uint32_t touchedAt = 0;
        int32_t checkedPosition = -1;
        uint32_t checkedAt = 0;
    };

    bool openOn(Line& line, uint32_t now);
    void changeTransport(Line& line, uint32_t now);
    void flipOption();
    int steadyOthers(const Line& except, uint32_t now) const;
    uint32_t pick(uint32_t count) {
        return std::uniform_int_distribution<uint32_t>(0, count - 1)(m_random);
    }
    float between(float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(m_random);
    }

    std::vector<std::string> m_files;
    std::string m_pluginPath;
    OptionsRecord m_options;
    std::mt19937 m_random;
    std::array<Line, kLineCount> m_lines;
    int32_t m_pluginIndex = -1;
    uint32_t m_lastCheck = 0;
    SoakCounts m_counts;
};

} // namespace klvsoak

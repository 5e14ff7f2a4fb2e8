#include "soak_lines.h"

#include "engine/core/line_slot.h"
#include "engine/core/options_copy.h"

#include <cstring>

namespace klvsoak {

namespace {

// A line that has been paused or stopped this long is started again, so that every line
// spends most of the run playing.
constexpr uint32_t kLongestRestMs = 3000;
// A line is steady once it has played untouched this long (its rings refilled after a seek).
constexpr uint32_t kSettleMs = 1000;

enum class Change { Transport, Pitch, Levels, SongEq, MasterEq, Plugin, Option };

// How often each change is made, out of the sum.
struct Weighted {
    Change change;
    uint32_t weight;
};
constexpr Weighted kChanges[] = {
    {Change::Transport, 30}, {Change::Pitch, 20}, {Change::Levels, 10}, {Change::SongEq, 15},
    {Change::MasterEq, 10},  {Change::Plugin, 8}, {Change::Option, 7},
};

} // namespace

SoakLines::SoakLines(std::vector<std::string> files, std::string pluginPath,
                     const OptionsRecord& options, uint32_t seed)
    : m_files(std::move(files)), m_pluginPath(std::move(pluginPath)), m_options(options),
      m_random(seed) {
    for (int i = 0; i < kLineCount; ++i) {
        m_lines[i].handle.index = i + 1;
        m_lines[i].handle.loop = 1;
    }
}

SoakLines::~SoakLines() {
    closeAll();
}

bool SoakLines::openOn(Line& line, uint32_t now) {
    const std::string& path = m_files[pick(static_cast<uint32_t>(m_files.size()))];
    line.playing = false;
    line.touchedAt = now;
    if (klvOpen(&line.handle, path.c_str()) != 0)
        return false;
    klvSetVolume(&line.handle, between(0.4f, 1.0f));
    klvSetPitch(&line.handle, 1000);
    klvPause(&line.handle);
    line.playing = true;
    return true;
}

bool SoakLines::start(std::string& error) {
    for (int i = 0; i < kLineCount; ++i) {
        Line& line = m_lines[i];
        // Every file is used at the start; later reopens pick at random.
        const std::string& path = m_files[static_cast<size_t>(i) % m_files.size()];
        if (klvOpen(&line.handle, path.c_str()) != 0) {
            error = "cannot open " + path;
            return false;
        }
        klvSetVolume(&line.handle, 0.8f);
        klvPause(&line.handle);
        line.playing = true;
    }
    return true;
}

int SoakLines::steadyOthers(const Line& except, uint32_t now) const {
    int steady = 0;
    for (const Line& line : m_lines) {
        if (&line != &except && line.playing && now - line.touchedAt >= kSettleMs)
            ++steady;
    }
    return steady;
}

int SoakLines::playingCount() const {
    int playing = 0;
    for (const Line& line : m_lines)
        playing += line.playing ? 1 : 0;
    return playing;
}

void SoakLines::changeTransport(Line& line, uint32_t now) {
    ++m_counts.transport;
    LineHandle* h = &line.handle;
    if (!line.playing) {
        klvPause(h); // resumes a paused line, starts a stopped or positioned one
        line.playing = true;
        line.touchedAt = now;
        return;
    }
    if (steadyOthers(line, now) < kMinSteady)
        return;
    line.touchedAt = now;
    switch (pick(5)) {
    case 0: // pause
        klvPause(h);
        line.playing = false;
        break;
    case 1: // back to the start and on again
        klvStop(h);
        klvPause(h);
        break;
    case 2: // a jump while playing
        klvSetPos(h, static_cast<int32_t>(pick(96)));
        klvPause(h);
        break;
    case 3: // stopped for a while
        klvStop(h);
        line.playing = false;
        break;
    default:
        ++m_counts.reopens;
        openOn(line, now);
        break;
    }
}

void SoakLines::flipOption() {
    ++m_counts.optionFlips;
    if (pick(2) == 0)
        m_options.TimeScale = m_options.TimeScale ? 0 : 1;
    else
        m_options.OverSample = m_options.OverSample ? 0 : 1;
    klv::engine::replaceOptions(m_options);
}

void SoakLines::act(uint32_t now) {
    for (Line& line : m_lines) {
        if (!line.playing && now - line.touchedAt >= kLongestRestMs) {
            changeTransport(line, now);
            return;
        }
    }
    uint32_t total = 0;
    for (const Weighted& w : kChanges)
        total += w.weight;
    uint32_t roll = pick(total);
    Change change = Change::Transport;
    for (const Weighted& w : kChanges) {
        if (roll < w.weight) {
            change = w.change;
            break;
        }
        roll -= w.weight;
    }
    Line& line = m_lines[pick(kLineCount)];
    LineHandle* h = &line.handle;
    switch (change) {
    case Change::Transport:
        changeTransport(line, now);
        break;
    case Change::Pitch:
        ++m_counts.pitch;
        klvSetPitch(h, 700 + static_cast<int32_t>(pick(701)));
        break;
    case Change::Levels:
        ++m_counts.levels;
        klvSetVolume(h, between(0.4f, 1.0f));
        klvSetPan(h, static_cast<int32_t>(pick(121)) - 60);
        break;
    case Change::SongEq:
        ++m_counts.songEq;
        klvSetSongEQ(h, static_cast<int32_t>(pick(5)), between(-8.0f, 8.0f));
        break;
    case Change::MasterEq:
        ++m_counts.masterEq;
        klvSetEQ(static_cast<int32_t>(pick(10)), between(-6.0f, 6.0f));
        break;
    case Change::Plugin:
        if (m_pluginPath.empty())
            break;
        if (m_pluginIndex >= 0) {
            ++m_counts.pluginUnloads;
            klvUnloadPlugin(m_pluginIndex);
            m_pluginIndex = -1;
        } else {
            ++m_counts.pluginLoads;
            m_pluginIndex = klvLoadPlugin(m_pluginPath.c_str(), -1);
        }
        break;
    case Change::Option:
        flipOption();
        break;
    }
}

void SoakLines::updatePositions() {
    for (Line& line : m_lines)
        klvUpdatePos(&line.handle);
}

bool SoakLines::checkProgress(uint32_t now, std::string& reason) {
    ++m_counts.progressChecks;
    bool ok = true;
    for (Line& line : m_lines) {
        LineSlot* slot = line.handle.slot;
        const int32_t position = slot ? slot->position.load(std::memory_order_relaxed) : -1;
        const bool untouched = line.playing && line.touchedAt < m_lastCheck &&
                               line.checkedAt == m_lastCheck && m_lastCheck != 0;
        if (untouched && (!slot || position == line.checkedPosition)) {
            reason = "line " + std::to_string(line.handle.index) + " (" +
                     std::string(line.handle.fileName ? line.handle.fileName : "?") +
                     ") is stuck at frame " + std::to_string(position) + " for " +
                     std::to_string(now - m_lastCheck) + " ms while playing";
            ok = false;
        }
        line.checkedPosition = position;
        line.checkedAt = now;
    }
    m_lastCheck = now;
    return ok;
}

void SoakLines::closeAll() {
    for (Line& line : m_lines) {
        klvClose(&line.handle);
        line.playing = false;
    }
    if (m_pluginIndex >= 0) {
        klvUnloadPlugin(m_pluginIndex);
        m_pluginIndex = -1;
    }
}

} // namespace klvsoak

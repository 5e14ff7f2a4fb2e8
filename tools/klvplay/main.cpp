// klvplay: plays files through the engine as the program does: each file opened on a line of
// its own and started, the output thread writing to the chosen device, the position shown
// while the lines play.

#include "engine/audio/output_thread.h"
#include "engine/core/options_copy.h"
#include "klv3.h"
#include "options.h"
#include "platform/audio/wave_out.h"
#include "platform/system/clock.h"
#include "tools/klvplay/console_window_system.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr KlvWindow kConsoleWindow = 1;
constexpr uint32_t kRefreshMs = 100;
// What the devices still hold when the last line has finished: 8 blocks of 1024 frames.
constexpr uint32_t kDrainMs = 250;

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) {
    g_interrupted.store(true);
}

int listDevices() {
    const uint32_t count = klv::platform::waveOutGetNumDevs();
    if (count == 0)
        std::printf("No output device.\n");
    for (uint32_t id = 0; id < count; ++id) {
        std::string name;
        klv::platform::waveOutGetDeviceName(id, name);
        std::printf("%u: %s\n", id, name.c_str());
    }
    return 0;
}

void useOptions(const klvplay::Options& options) {
    OptionsRecord record{};
    if (klvLoadOptions(&record, kConsoleWindow) != 0) {
        record = OptionsRecord{};
        record.SilenceThreshold = 15;
    }
    record.PrimaryDevice = options.device;
    record.UseSecondary = 0;
    record.SkipSilence = options.skipSilence ? 1 : 0;
    // The engine's own copy only: klvplay never changes the program's stored options.
    klv::engine::replaceOptions(record);
}

// Every name in a fixed order, so that scripts can rely on the lines.
int printTags(const std::string& path) {
    KlvTags tags{};
    if (klvGetTags(path.c_str(), &tags) != 0) {
        std::fprintf(stderr, "klvplay: can't read the tags of %s\n", path.c_str());
        return 1;
    }
    const std::pair<const char*, const char*> lines[] = {
        {"title", tags.title}, {"artist", tags.artist}, {"album", tags.album},
        {"year", tags.year},   {"genre", tags.genre},   {"comment", tags.comment},
        {"track", tags.track}, {"bpm", tags.bpm},       {"key", tags.key}};
    for (const auto& [name, value] : lines)
        std::printf("%s: %s\n", name, value);
    return 0;
}

const char* baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

struct PlayingLine {
    LineHandle handle{};
    std::string path;
    bool done = false;
};

void showStatus(std::vector<std::unique_ptr<PlayingLine>>& lines) {
    std::string status;
    for (auto& line : lines) {
        LineHandle* h = &line->handle;
        char total[KLV_TIME_BUFFER] = "-";
        char remaining[KLV_TIME_BUFFER] = "-";
        char elapsed[KLV_TIME_BUFFER] = "-";
        int32_t byteRate = 0;
        int32_t sampleRate = 0;
        klvUpdatePos(h);
        klvGetInfo(h, &byteRate, &sampleRate, total, remaining, elapsed);
        char part[256];
        std::snprintf(part, sizeof(part), "%s[%d] %.24s %s / %s", status.empty() ? "" : "  ",
                      h->index, baseName(line->path), elapsed, total);
        status += part;
    }
    std::printf("\r%-100s", status.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    klvplay::Options options;
    std::string error;
    if (!klvplay::parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "klvplay: %s\n\n%s", error.c_str(), klvplay::usage());
        return 2;
    }
    if (options.help) {
        std::printf("%s", klvplay::usage());
        return 0;
    }
    if (options.listDevices)
        return listDevices();
    if (!options.tagsFile.empty())
        return printTags(options.tagsFile);

    const uint32_t devices = klv::platform::waveOutGetNumDevs();
    if (static_cast<uint32_t>(options.device) >= devices) {
        std::fprintf(stderr, "klvplay: there is no output device %d\n", options.device);
        listDevices();
        return 1;
    }

    klvplay::ConsoleWindowSystem windows;
    klv::platform::setWindowSystem(&windows);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    useOptions(options);

    // The master equalizer's bands are silent until someone sets them, as the program's master
    // section does at start; the player keeps them flat.
    for (int32_t band = 0; band < 10; ++band)
        klvSetEQ(band, 0.0f);
    klvStartAudio();
    klv::platform::sleepMs(50);
    if (klv::engine::outputState() != 1) {
        std::fprintf(stderr, "klvplay: the output device could not be started\n");
        klvKillAudio();
        klv::platform::setWindowSystem(nullptr);
        return 1;
    }

    // Each LineHandle stays at its address while its file is open.
    std::vector<std::unique_ptr<PlayingLine>> lines;
    for (const std::string& path : options.files) {
        if (lines.size() >= 24) {
            std::fprintf(stderr, "klvplay: at most 24 lines; %s is not played\n", path.c_str());
            continue;
        }
        auto line = std::make_unique<PlayingLine>();
        line->path = path;
        line->handle.index = static_cast<int32_t>(lines.size()) + 1;
        line->handle.loop = options.loop ? 1 : 0;
        if (klvOpen(&line->handle, path.c_str()) != 0) {
            std::fprintf(stderr, "klvplay: can't play %s\n", path.c_str());
            continue;
        }
        klvSetPitch(&line->handle, options.pitch);
        lines.push_back(std::move(line));
    }
    for (auto& line : lines)
        klvPause(&line->handle);

    bool playing = !lines.empty();
    while (playing && !g_interrupted.load()) {
        showStatus(lines);
        playing = false;
        for (auto& line : lines) {
            if (KLV_LOAD_FIELD(line->handle.finished) == 1)
                line->done = true;
            playing = playing || !line->done;
        }
        if (klv::engine::outputState() != 1) {
            std::fprintf(stderr, "\nklvplay: the output stopped\n");
            break;
        }
        klv::platform::sleepMs(kRefreshMs);
    }
    std::printf("\n");
    if (!g_interrupted.load())
        klv::platform::sleepMs(kDrainMs);

    klvKillAudio();
    for (auto& line : lines)
        klvClose(&line->handle);
    klv::platform::setWindowSystem(nullptr);
    return lines.empty() ? 1 : 0;
}

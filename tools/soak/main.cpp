// klvsoak: plays six looping lines through the engine on the virtual recorder device for a
// given time while changing transport, pitch, levels, equalizers, the compressor and the tempo
// options at random, and checks that the music never stops: no line stuck, no silent gap in
// the recording, memory flat after warm-up, and no thread left behind once everything is
// closed. Exit code 0 when all holds, 1 with the reasons when not, 2 for a bad command line.

#include "engine/audio/output_thread.h"
#include "engine/core/options_copy.h"
#include "engine/core/user_message.h"
#include "klv3.h"
#include "platform/store/home.h"
#include "platform/system/clock.h"
#include "process_stats.h"
#include "recording_watch.h"
#include "soak_lines.h"
#include "tests/doubles/headless_window_system.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace klvsoak;

namespace {

constexpr KlvWindow kSoakWindow = 1;
constexpr int32_t kRecorderDevice = 1; // the virtual back end's "Virtual Recorder"
constexpr uint32_t kPositionMs = 100;  // the program's display timer
constexpr uint32_t kCheckMs = 2000;
constexpr uint32_t kReportMs = 30000;
constexpr uint32_t kThreadWaitMs = 2000;
// Memory may grow by this much between the end of the warm-up and the end of the run: the
// allocator's arenas of threads that come and go settle within a few MiB.
constexpr uint64_t kRssSlackKib = 4096;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer's allocator holds freed memory back (quarantine, shadow), so the resident size
// grows whatever the engine does; there LeakSanitizer checks the memory at exit instead.
constexpr bool kCheckRss = false;
#else
constexpr bool kCheckRss = true;
#endif
constexpr uint64_t kRssSlackPercent = 2;
// The recording must cover nearly all of the time the lines played; a stalled output records
// nothing and so shows no gap.
constexpr double kMinRecordedShare = 0.9;

const char* kFixtures[] = {"wav_44100_16_stereo.wav", "mp3_cbr128.mp3",
                           "wav_48000_16_stereo.wav", "mp3_vbr_xing.mp3",
                           "wav_22050_16_stereo.wav", "mp3_48000.mp3"};

struct Arguments {
    double minutes = 10.0;
    uint32_t seed = 0;
    bool seedGiven = false;
    fs::path fixtures;
    std::string plugin;
    bool pluginGiven = false;
    bool keep = false;
};

const char* usage() {
    return "usage: klvsoak [--minutes M] [--seed N] [--fixtures DIR] [--plugin PATH|none] "
           "[--keep]\n"
           "  --minutes M     how long the lines play (default 10; fractions allowed)\n"
           "  --seed N        seed of the random changes (default: from the clock)\n"
           "  --fixtures DIR  folder with the build's audio fixtures (default: ../fixtures\n"
           "                  beside the program folder)\n"
           "  --plugin PATH   compressor plug-in to switch in and out (default:\n"
           "                  Plugins/compressor.so in the program folder; none: no plug-in)\n"
           "  --keep          keep the temporary home with the recording\n";
}

bool parse(int argc, char** argv, Arguments& args, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--keep") {
            args.keep = true;
        } else if (arg == "--minutes" && hasValue) {
            char* end = nullptr;
            args.minutes = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(args.minutes > 0.0) || args.minutes > 24 * 60) {
                error = "--minutes needs a number of minutes above 0";
                return false;
            }
        } else if (arg == "--seed" && hasValue) {
            char* end = nullptr;
            args.seed = static_cast<uint32_t>(std::strtoul(argv[++i], &end, 10));
            if (*end != '\0') {
                error = "--seed needs a whole number";
                return false;
            }
            args.seedGiven = true;
        } else if (arg == "--fixtures" && hasValue) {
            args.fixtures = argv[++i];
        } else if (arg == "--plugin" && hasValue) {
            args.plugin = argv[++i];
            args.pluginGiven = true;
            if (args.plugin == "none")
                args.plugin.clear();
        } else {
            error = "unknown or incomplete argument " + arg;
            return false;
        }
    }
    return true;
}

// The engine's messages and boxes: during a soak any of them is a failure.
class SoakWindowSystem : public klv::platform::HeadlessWindowSystem {
public:
    std::vector<std::string> texts() {
        std::vector<std::string> all;
        for (const auto& message : messages()) {
            if (message.msg == KLV_MSG_USER_MESSAGE)
                all.push_back("message: " + message.text);
        }
        for (const auto& box : boxes())
            all.push_back("message box: " + box.text);
        return all;
    }
};

fs::path findRecording(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("kelvara-rec-", 0) == 0 && entry.path().extension() == ".wav")
            return entry.path();
    }
    return {};
}

struct Run {
    std::vector<std::string> failures;
    void fail(const std::string& reason) {
        if (std::find(failures.begin(), failures.end(), reason) == failures.end())
            failures.push_back(reason);
    }
};

double seconds(uint32_t ms) {
    return ms / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    Arguments args;
    std::string error;
    if (!parse(argc, argv, args, error)) {
        std::fprintf(stderr, "klvsoak: %s\n\n%s", error.c_str(), usage());
        return 2;
    }
    const fs::path programDir = klv::platform::programDir();
    if (args.fixtures.empty())
        args.fixtures = programDir.parent_path() / "fixtures";
    if (!args.pluginGiven)
        args.plugin = (programDir / "Plugins" / "compressor.so").string();
    if (!args.seedGiven)
        args.seed =
            static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::vector<std::string> files;
    for (const char* name : kFixtures) {
        const fs::path path = args.fixtures / name;
        if (!fs::exists(path)) {
            std::fprintf(stderr, "klvsoak: fixture %s is missing (build klv_fixture_files)\n",
                         path.c_str());
            return 2;
        }
        files.push_back(path.string());
    }
    if (!args.plugin.empty() && !fs::exists(args.plugin)) {
        std::fprintf(stderr, "klvsoak: plug-in %s is missing\n", args.plugin.c_str());
        return 2;
    }

    // A home of its own: the settings, klv.eq, the log and the recording stay out of the
    // user's, and the virtual devices stand in for the sound card.
    std::string homeTemplate = (fs::temp_directory_path() / "klvsoak-XXXXXX").string();
    if (!::mkdtemp(homeTemplate.data())) {
        std::fprintf(stderr, "klvsoak: cannot make a temporary folder\n");
        return 1;
    }
    const fs::path home = homeTemplate;
    ::setenv("KELVARA_HOME", home.c_str(), 1);
    ::setenv("KELVARA_AUDIO", "virtual", 1);

    const uint32_t runMs = static_cast<uint32_t>(args.minutes * 60000.0);
    const uint32_t warmUpMs = std::min<uint32_t>(runMs / 4, 60000);
    std::printf("klvsoak: %.2f min, seed %u, home %s\n", args.minutes, args.seed, home.c_str());
    std::fflush(stdout);

    // A runtime that starts a helper thread along with the process's first thread (the
    // ThreadSanitizer runtime does) has it running before the count is taken.
    std::thread([] {}).join();
    const int threadsBefore = threadCount();
    SoakWindowSystem windows;
    klv::platform::setWindowSystem(&windows);
    klv::engine::setOwnerWindow(kSoakWindow);

    OptionsRecord options{};
    options.PrimaryDevice = kRecorderDevice;
    options.SilenceThreshold = 15;
    klv::engine::replaceOptions(options);
    for (int32_t band = 0; band < 10; ++band)
        klvSetEQ(band, 0.0f);
    // Six lines near full scale would clip the mix all the time.
    klvSetMainVol(0.4f, 0.4f, 1.0f);

    Run run;
    klvStartAudio();
    klv::platform::sleepMs(50);
    if (klv::engine::outputState() != 1)
        run.fail("the virtual recorder device could not be started");

    SoakLines lines(files, args.plugin, options, args.seed);
    if (run.failures.empty() && !lines.start(error))
        run.fail(error);
    const fs::path recording = findRecording(klv::platform::recordingsDir());
    if (run.failures.empty() && recording.empty())
        run.fail("the recorder wrote no file");
    RecordingWatch watch(recording, !args.keep);

    std::mt19937 timing(args.seed ^ 0x5eed);
    const uint32_t start = klv::platform::tickCount();
    uint32_t nextAction = start;
    uint32_t nextPositions = start;
    uint32_t nextCheck = start + kCheckMs;
    uint32_t nextReport = start + kReportMs;
    uint64_t rssWarm = 0;
    uint64_t rssPeak = 0;
    uint64_t actions = 0;
    uint32_t now = start;
    while (run.failures.empty() && (now = klv::platform::tickCount()) - start < runMs) {
        if (static_cast<int32_t>(now - nextAction) >= 0) {
            lines.act(now);
            ++actions;
            nextAction = now + std::uniform_int_distribution<uint32_t>(50, 400)(timing);
        }
        if (static_cast<int32_t>(now - nextPositions) >= 0) {
            lines.updatePositions();
            nextPositions = now + kPositionMs;
        }
        if (static_cast<int32_t>(now - nextCheck) >= 0) {
            nextCheck = now + kCheckMs;
            if (!lines.checkProgress(now, error))
                run.fail(error);
            if (klv::engine::outputState() != 1)
                run.fail("the output stopped");
            for (const std::string& text : windows.texts())
                run.fail("the engine reported: " + text);
            if (!watch.check())
                run.fail("cannot read the recording " + recording.string());
            if (const auto& gaps = watch.gaps(); !gaps.empty())
                run.fail("silent gap of " + std::to_string(gaps.front().blocks) + " blocks at " +
                         std::to_string(gaps.front().atSeconds) + " s of the recording");
            const uint64_t rss = residentKib();
            if (rssWarm == 0 && now - start >= warmUpMs)
                rssWarm = rss;
            if (rssWarm != 0)
                rssPeak = std::max(rssPeak, rss);
        }
        if (static_cast<int32_t>(now - nextReport) >= 0) {
            nextReport = now + kReportMs;
            std::printf("klvsoak: %6.0f s  %llu changes  %d playing  rss %llu KiB  %.0f s "
                        "recorded, %llu silent blocks\n",
                        seconds(now - start), static_cast<unsigned long long>(actions),
                        lines.playingCount(), static_cast<unsigned long long>(residentKib()),
                        watch.checkedBlocks() * 1024.0 / 44100.0,
                        static_cast<unsigned long long>(watch.silentBlocks()));
            std::fflush(stdout);
        }
        klv::platform::sleepMs(5);
    }
    const uint32_t playedMs = now - start;

    // Everything recorded until now was mixed while the lines played.
    const uint64_t rssEnd = residentKib();
    const uint64_t recordedEnd = watch.recordedBytes();
    lines.closeAll();
    klvUnloadAllPlugins();
    klvKillAudio();
    watch.check(recordedEnd);
    watch.finish();
    for (const std::string& text : windows.texts())
        run.fail("the engine reported: " + text);
    if (!watch.gaps().empty())
        run.fail("silent gap of " + std::to_string(watch.gaps().front().blocks) + " blocks at " +
                 std::to_string(watch.gaps().front().atSeconds) + " s of the recording");
    const double recordedSeconds = watch.checkedBlocks() * 1024.0 / 44100.0;
    if (run.failures.empty() && recordedSeconds < seconds(playedMs) * kMinRecordedShare)
        run.fail("only " + std::to_string(recordedSeconds) + " s recorded in " +
                 std::to_string(seconds(playedMs)) + " s of playing");

    const uint64_t rssLimit = rssWarm + kRssSlackKib + rssWarm * kRssSlackPercent / 100;
    if (kCheckRss && rssWarm != 0 && rssEnd > rssLimit)
        run.fail("memory grew from " + std::to_string(rssWarm) + " KiB after warm-up to " +
                 std::to_string(rssEnd) + " KiB at the end");

    int threadsAfter = threadCount();
    for (uint32_t waited = 0; threadsAfter > threadsBefore && waited < kThreadWaitMs;
         waited += 10) {
        klv::platform::sleepMs(10);
        threadsAfter = threadCount();
    }
    if (threadsAfter > threadsBefore)
        run.fail(std::to_string(threadsAfter - threadsBefore) +
                 " thread(s) left after closing the lines and the output");
    klv::platform::setWindowSystem(nullptr);

    const SoakCounts& c = lines.counts();
    std::printf("klvsoak: played %.1f s, seed %u\n", seconds(playedMs), args.seed);
    std::printf(
        "  changes: %llu (transport %llu incl. %llu reopens, pitch %llu, levels %llu, "
        "song EQ %llu, master EQ %llu, plug-in in %llu / out %llu, options %llu)\n",
        static_cast<unsigned long long>(actions), static_cast<unsigned long long>(c.transport),
        static_cast<unsigned long long>(c.reopens), static_cast<unsigned long long>(c.pitch),
        static_cast<unsigned long long>(c.levels), static_cast<unsigned long long>(c.songEq),
        static_cast<unsigned long long>(c.masterEq), static_cast<unsigned long long>(c.pluginLoads),
        static_cast<unsigned long long>(c.pluginUnloads),
        static_cast<unsigned long long>(c.optionFlips));
    std::printf("  recording: %.1f s checked after %.2f s lead-in, %llu silent blocks, longest "
                "silent run %llu blocks, %zu gaps\n",
                recordedSeconds, watch.leadInBlocks() * 1024.0 / 44100.0,
                static_cast<unsigned long long>(watch.silentBlocks()),
                static_cast<unsigned long long>(watch.longestSilentRun()), watch.gaps().size());
    std::printf("  progress checks: %llu; memory: %llu KiB after warm-up, %llu KiB peak, %llu "
                "KiB at the end; threads: %d before, %d after\n",
                static_cast<unsigned long long>(c.progressChecks),
                static_cast<unsigned long long>(rssWarm), static_cast<unsigned long long>(rssPeak),
                static_cast<unsigned long long>(rssEnd), threadsBefore, threadsAfter);

    if (args.keep) {
        std::printf("  kept: %s\n", home.c_str());
    } else {
        std::error_code ec;
        fs::remove_all(home, ec);
    }
    if (!run.failures.empty()) {
        for (const std::string& reason : run.failures)
            std::printf("klvsoak: FAILED: %s\n", reason.c_str());
        return 1;
    }
    std::printf("klvsoak: passed\n");
    return 0;
}

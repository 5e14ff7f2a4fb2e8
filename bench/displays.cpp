// CPU of the engine-drawn displays while audio plays: the VU thread and the display threads of
// six playing lines, on the virtual output device paced like a sound card (goal: under 2 % of
// one core together). The threads are found by name and their CPU time is read from the
// scheduler's per-thread account, so the output, reader and decoder threads are left out and
// reported apart. Also the cost of single frames, changed and unchanged.
//
// Arguments: the span of wall time per measurement in seconds (default 20).

#include "engine/display/line_display_frame.h"
#include "engine/display/vu_display.h"
#include "klv3.h"
#include "platform/system/clock.h"
#include "platform/ui/surface.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kLines = 6;

const fs::path& benchFolder() {
    return klv::bench::benchHome();
}

// Ten seconds of a tone whose level swells, so that the meters keep moving; the lines loop it.
std::string writeTone(const fs::path& path, double frequency) {
    klv::bench::writeWav(path, 44100 * 10, [frequency](uint32_t i) {
        const double t = i / 44100.0;
        const double level = 0.5 + 0.45 * std::sin(2 * M_PI * 0.7 * t);
        return static_cast<int16_t>(32000 * level * std::sin(2 * M_PI * frequency * t));
    });
    return path.string();
}

// CPU nanoseconds per thread id of the threads whose name is `name`.
std::map<int, uint64_t> threadCpu(const std::string& name) {
    std::map<int, uint64_t> cpu;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return cpu;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string dir = std::string("/proc/self/task/") + entry->d_name;
        std::string comm;
        std::getline(std::ifstream(dir + "/comm"), comm);
        if (comm != name)
            continue;
        uint64_t ns = 0;
        std::ifstream(dir + "/schedstat") >> ns;
        cpu[std::atoi(entry->d_name)] = ns;
    }
    closedir(tasks);
    return cpu;
}

double spentSince(const std::map<int, uint64_t>& before, const std::map<int, uint64_t>& after) {
    uint64_t total = 0;
    for (const auto& [tid, ns] : after) {
        const auto it = before.find(tid);
        total += ns - (it == before.end() ? 0 : it->second);
    }
    return static_cast<double>(total) / 1e9;
}

using klv::bench::processCpuSeconds;
using klv::bench::wallSeconds;

void DisplaysWhilePlaying(benchmark::State& state) {
    const double span = static_cast<double>(state.range(0));
    benchFolder();
    OptionsRecord options{};
    options.LCDBackColor = 0x000000;
    options.LCDLitColor = 0xFFC800;
    options.LCDDimColor = 0x302400;
    options.TextColor = 0xC0C0C0;
    klvSaveOptions(&options);
    klvStartAudio();
    for (int band = 0; band < 10; ++band)
        klvSetEQ(band, 0.0f);

    std::vector<klv::platform::DeviceContext> lcds;
    std::vector<LineHandle> lines(kLines);
    for (int i = 0; i < kLines; ++i) {
        const std::string path =
            writeTone(benchFolder() / ("tone" + std::to_string(i) + ".wav"), 220.0 * (i + 1));
        lcds.push_back(klv::platform::createSurface(86, 34, 0xFF000000u));
        lines[i].index = i + 1;
        lines[i].loop = 1;
        lines[i].displayDC = lcds.back();
        if (klvOpen(&lines[i], path.c_str()) != 0) {
            state.SkipWithError("a line did not open");
            return;
        }
        klvSetVolume(&lines[i], 0.15f);
        klvPause(&lines[i]);
    }
    const klv::platform::DeviceContext vu = klv::platform::createSurface(178, 69, 0xFF000000u);
    klvStartVU(0, vu, 178, 69);
    klv::platform::sleepMs(1000); // past the start-up

    for (auto _ : state) {
        const auto vu0 = threadCpu("klv-vu");
        const auto display0 = threadCpu("klv-display");
        const double cpu0 = processCpuSeconds();
        const double wall0 = wallSeconds();
        klv::platform::sleepMs(static_cast<uint32_t>(span * 1000));
        const double wall = wallSeconds() - wall0;
        const double vuCpu = spentSince(vu0, threadCpu("klv-vu"));
        const double displayCpu = spentSince(display0, threadCpu("klv-display"));
        state.SetIterationTime(wall);
        state.counters["vu_pct"] = 100.0 * vuCpu / wall;
        state.counters["six_lines_pct"] = 100.0 * displayCpu / wall;
        state.counters["displays_pct"] = 100.0 * (vuCpu + displayCpu) / wall;
        state.counters["process_pct"] = 100.0 * (processCpuSeconds() - cpu0) / wall;
    }

    klvStopVU();
    for (LineHandle& line : lines)
        klvClose(&line);
    klvKillAudio();
    for (auto dc : lcds)
        klv::platform::destroySurface(dc);
    klv::platform::destroySurface(vu);
}

// The floor the platform sets: a thread that only sleeps 1 ms at a time, as the VU thread does
// between frames. On virtual machines a timer wakeup alone can cost tens of microseconds.
void SleepLoopFloor(benchmark::State& state) {
    const double span = static_cast<double>(state.range(0));
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread sleeper([&] {
            pthread_setname_np(pthread_self(), "klv-sleep-probe");
            while (!stop.load(std::memory_order_relaxed))
                klv::platform::sleepMs(1);
        });
        klv::platform::sleepMs(100);
        const auto before = threadCpu("klv-sleep-probe");
        const double wall0 = wallSeconds();
        klv::platform::sleepMs(static_cast<uint32_t>(span * 1000));
        const double wall = wallSeconds() - wall0;
        const double cpu = spentSince(before, threadCpu("klv-sleep-probe"));
        stop.store(true);
        sleeper.join();
        state.SetIterationTime(wall);
        state.counters["sleep_1ms_loop_pct"] = 100.0 * cpu / wall;
    }
}

// One VU frame when every meter moved (the picture redrawn and stretched) and when nothing did.
void VuFrame(benchmark::State& state) {
    const bool moving = state.range(0) != 0;
    const int32_t width = static_cast<int32_t>(state.range(1));
    const int32_t height = width * 69 / 178 + 60;
    const klv::platform::DeviceContext dc = klv::platform::createSurface(width, height, 0);
    const klv::platform::SurfaceRef target(dc);
    const klv::engine::VuColours colours{0x000000, 0xFFC800, 0x302400, 0xC0C0C0};
    klv::engine::VuDisplay display(width, height, colours);
    klv::engine::VuIndices indices;
    int32_t step = 0;
    for (auto _ : state) {
        if (moving)
            indices.meters.fill(++step % 18);
        benchmark::DoNotOptimize(display.frame(target, indices, colours));
    }
    klv::platform::destroySurface(dc);
}

void LineFrame(benchmark::State& state) {
    const bool moving = state.range(0) != 0;
    const klv::platform::DeviceContext dc = klv::platform::createSurface(86, 34, 0);
    const klv::platform::SurfaceRef target(dc);
    klv::engine::LineDisplay display;
    klv::engine::LineDisplayInputs in;
    in.state = 2;
    in.length = 44100 * 300;
    in.byteRate = 16000;
    in.sampleRate = 44100;
    in.litColour = 0xFFC800;
    in.dimColour = 0x302400;
    for (auto _ : state) {
        if (moving) {
            in.position = (in.position + 1024) % in.length;
            in.peakLeft = in.peakLeft > 0.9f ? 0.01f : in.peakLeft * 1.3f + 0.01f;
            in.peakRight = in.peakLeft;
            in.ringFree = (in.ringFree + 4096) % 65536;
        }
        benchmark::DoNotOptimize(display.frame(target, in));
    }
    klv::platform::destroySurface(dc);
}

} // namespace

BENCHMARK(VuFrame)->Args({1, 178})->Args({0, 178})->Args({1, 1920})->Args({0, 1920});
BENCHMARK(LineFrame)->Arg(1)->Arg(0);

int main(int argc, char** argv) {
    setenv("KELVARA_AUDIO", "virtual", 1); // before the first device call chooses the back end
    int64_t span = 20;
    if (argc > 1 && argv[argc - 1][0] != '-')
        span = std::atoll(argv[--argc]);
    benchmark::RegisterBenchmark("DisplaysWhilePlaying", DisplaysWhilePlaying)
        ->Arg(span)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("SleepLoopFloor", SleepLoopFloor)
        ->Arg(std::max<int64_t>(span / 4, 1))
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    return klv::bench::runBenchmarks(argc, argv);
}

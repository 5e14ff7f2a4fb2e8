// Opening a 10-minute MP3 on a line: klvOpen until it returns (goal: under 20 ms, apart from
// the wait for the line's threads to start). Closing is not timed. Counters: open_ms, the
// thread start with its wait measured on its own, and the difference.

#include "engine/core/line_threads.h"
#include "klv3.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path fixtureFolder() {
    if (const char* folder = std::getenv("KLV_FIXTURE_DIR"))
        return folder;
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "fixtures";
}

void openTenMinuteMp3(benchmark::State& state) {
    const std::string path = (fixtureFolder() / "mp3_10min.mp3").string();
    if (!fs::exists(path)) {
        state.SkipWithError("fixture mp3_10min.mp3 missing: build the fixtures first");
        return;
    }
    LineHandle h{};
    h.quiet = 1;
    h.index = 1;
    double openSeconds = 0.0;
    double startSeconds = 0.0;
    for (auto _ : state) {
        const auto opening = Clock::now();
        if (klvOpen(&h, path.c_str()) != 0) {
            state.SkipWithError("klvOpen failed");
            break;
        }
        openSeconds += std::chrono::duration<double>(Clock::now() - opening).count();
        state.PauseTiming();
        // The thread start and its wait on their own, the way klvOpen ends.
        klv::engine::stopLineThreads(&h);
        KLV_STORE_FIELD(h.state, 1);
        const auto starting = Clock::now();
        klv::engine::startLineThreads(&h);
        startSeconds += std::chrono::duration<double>(Clock::now() - starting).count();
        klvClose(&h);
        state.ResumeTiming();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["open_ms"] = 1000.0 * openSeconds / iterations;
    state.counters["thread_start_ms"] = 1000.0 * startSeconds / iterations;
    state.counters["open_without_thread_start_ms"] =
        1000.0 * (openSeconds - startSeconds) / iterations;
}
BENCHMARK(openTenMinuteMp3)->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

int main(int argc, char** argv) {
    return klv::bench::runBenchmarks(argc, argv);
}

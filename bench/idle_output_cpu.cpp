// CPU the engine uses with the output running and no line playing, on the virtual output
// device paced like a sound card (goal: under 1 % of one core). Measures the process's CPU time
// over a span of wall time (20 s by default; the argument is the span in seconds).

#include "engine/audio/output_thread.h"
#include "klv3.h"
#include "platform/system/clock.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

namespace {

using klv::bench::processCpuSeconds;
using klv::bench::wallSeconds;

void IdleOutputCpu(benchmark::State& state) {
    const double span = static_cast<double>(state.range(0));
    klvStartAudio();
    if (klv::engine::outputState() != 1) {
        state.SkipWithError("the output did not start");
        return;
    }
    klv::platform::sleepMs(500); // past the start-up
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        const double wall0 = wallSeconds();
        klv::platform::sleepMs(static_cast<uint32_t>(span * 1000));
        const double cpu = processCpuSeconds() - cpu0;
        const double wall = wallSeconds() - wall0;
        state.SetIterationTime(wall);
        state.counters["cpu_pct_of_core"] = 100.0 * cpu / wall;
    }
    klvKillAudio();
}

} // namespace

BENCHMARK(IdleOutputCpu)->Arg(20)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    setenv("KELVARA_AUDIO", "virtual", 1); // before the first device call chooses the back end
    return klv::bench::runBenchmarks(argc, argv);
}

// Cost of the equalizers per block of 1024 frames (23.2 ms of sound): the ten-band master
// equalizer on the main mix, and the five-band song equalizer of one line (flat and set).

#include "engine/audio/master_eq.h"
#include "engine/audio/output_format.h"
#include "engine/audio/song_eq.h"
#include "engine/core/slot_pool.h"
#include "klv3.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <vector>

using namespace klv::engine;

namespace {

std::vector<Frame> music() {
    std::vector<Frame> frames(kBlockFrames);
    for (int32_t k = 0; k < kBlockFrames; ++k) {
        const double t = k / 44100.0;
        frames[k] = Frame{static_cast<float>(0.4 * std::sin(2 * M_PI * 90 * t) +
                                             0.1 * std::sin(2 * M_PI * 3000 * t)),
                          static_cast<float>(0.4 * std::sin(2 * M_PI * 120 * t))};
    }
    return frames;
}

// CPU time per block as a percentage of the block's duration on one core.
class BlockShare {
public:
    BlockShare() { clock_gettime(CLOCK_THREAD_CPUTIME_ID, &m_start); }
    void report(benchmark::State& state) const {
        timespec end{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        const double cpu = static_cast<double>(end.tv_sec - m_start.tv_sec) +
                           static_cast<double>(end.tv_nsec - m_start.tv_nsec) / 1e9;
        state.counters["pct_of_block"] =
            100.0 * cpu / static_cast<double>(state.iterations()) / kBlockSeconds;
    }

private:
    timespec m_start{};
};

void MasterEqualizer(benchmark::State& state) {
    for (int32_t band = 0; band < 10; ++band)
        klvSetEQ(band, static_cast<float>(band - 5));
    resetMasterEq();
    const std::vector<Frame> source = music();
    std::vector<Frame> mix = source;
    const BlockShare share;
    for (auto _ : state) {
        mix = source;
        processMasterEq(mix.data(), kBlockFrames);
        benchmark::DoNotOptimize(mix.data());
    }
    share.report(state);
}

void SongEqualizer(benchmark::State& state) {
    LineSlot* slot = takeSlot();
    if (state.range(0) != 0) {
        for (int b = 0; b < kSongEqBands; ++b)
            slot->songEq[b].store(static_cast<float>(b) - 2.0f);
    }
    const std::vector<Frame> source = music();
    std::vector<Frame> frames = source;
    const BlockShare share;
    for (auto _ : state) {
        frames = source;
        processSongEq(*slot, frames.data(), kBlockFrames);
        benchmark::DoNotOptimize(frames.data());
    }
    share.report(state);
    clearSlot(*slot);
}

} // namespace

BENCHMARK(MasterEqualizer)->Unit(benchmark::kMicrosecond);
BENCHMARK(SongEqualizer)->ArgName("set")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

// Cost of one output block (1024 frames, 23.2 ms of sound) with 1, 6 and 24 playing lines at
// pitch 1080 with moving volume ramps, pan and the pre-listen mix on: the mix, master gain,
// meters and the 16-bit conversion of both devices. Reported as time per block and as a
// percentage of the block's duration on one core (goal for 24 lines: under 5 %).

#include "engine/audio/block_mixer.h"
#include "engine/audio/output_format.h"
#include "engine/core/slot_pool.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <memory>
#include <vector>

using namespace klv::engine;

namespace {

struct Lines {
    std::vector<LineSlot*> slots;
    std::vector<std::unique_ptr<Frame[]>> rings;

    explicit Lines(int count) {
        for (int i = 0; i < count; ++i) {
            LineSlot* slot = takeSlot();
            rings.push_back(std::make_unique<Frame[]>(kSampleRingFrames));
            for (int32_t f = 0; f < kSampleRingFrames; ++f) {
                const float phase = 0.001f * static_cast<float>(f * (i + 1));
                rings.back()[f] = {0.3f * std::sin(phase), 0.3f * std::cos(phase)};
            }
            slot->sampleRing = rings.back().get();
            slot->pitch.store(1080);
            slot->volume.store(1.0f);
            slot->currentVolume.store(0.0f);
            slot->pan.store(i % 2 ? 30 : -30);
            slot->preview.store(1);
            slot->playing.store(1);
            slots.push_back(slot);
        }
    }
    ~Lines() {
        for (LineSlot* slot : slots)
            clearSlot(*slot);
    }

    // Keeps every ring nearly full without copying: the ring's content is a fixed signal.
    void refill() {
        for (LineSlot* slot : slots) {
            const int32_t read = slot->sampleRead.load(std::memory_order_relaxed);
            slot->sampleWrite.store((read + 60000) & (kSampleRingFrames - 1),
                                    std::memory_order_relaxed);
        }
    }

    // Faders moving all the time, so every frame runs the ramp.
    void moveFaders(int64_t block) {
        for (size_t i = 0; i < slots.size(); ++i)
            slots[i]->volume.store((block + static_cast<int64_t>(i)) % 2 ? 1.0f : 0.0f,
                                   std::memory_order_relaxed);
    }
};

void OutputBlock(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Lines lines(count);
    std::vector<Frame> main(kBlockFrames), cue(kBlockFrames), input(kLineInputFrames),
        output(kBlockFrames);
    std::vector<int16_t> primary(kBlockSamples), secondary(kBlockSamples);
    const MixBuffers buffers{main.data(), cue.data(), input.data(), output.data()};
    BlockSettings settings;
    settings.secondary = true;
    settings.headphoneMode = 2;
    int64_t block = 0;
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    for (auto _ : state) {
        lines.refill();
        lines.moveFaders(block++);
        mixBlock(slotTable(), kLineSlotCount, settings, buffers, primary.data(), secondary.data());
        benchmark::DoNotOptimize(primary.data());
        benchmark::DoNotOptimize(secondary.data());
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    // CPU time per block over the block's duration, in percent of one core.
    const double cpu = static_cast<double>(end.tv_sec - start.tv_sec) +
                       static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
    state.counters["pct_of_block"] =
        100.0 * cpu / static_cast<double>(state.iterations()) / kBlockSeconds;
}

} // namespace

BENCHMARK(OutputBlock)->Arg(0)->Arg(1)->Arg(6)->Arg(24)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

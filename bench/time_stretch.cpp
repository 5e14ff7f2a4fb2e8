// The tempo stretcher against SoundTouch and Rubber Band (real-time mode, R2 engine) on the
// same 60 s of synthesised music at tempo +8 %, as time per block of 1024 output frames for
// one line, and the output thread's cost with 24 lines stretching at H = 8. The summary at the
// end gives the throughput ratios.

#include "engine/audio/time_stretch.h"
#include "engine/audio/block_mixer.h"
#include "engine/audio/line_mixer.h"
#include "engine/audio/output_format.h"
#include "engine/core/slot_pool.h"
#include "klv3.h"

#include "bench/bench_support.h"
#include <SoundTouch.h>

#include <benchmark/benchmark.h>
#include <rubberband/RubberBandStretcher.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace klv::engine;

namespace {

constexpr int32_t kTempoPitch = 1080; // +8 %
constexpr double kTempo = kTempoPitch / 1000.0;
constexpr int64_t kSourceFrames = 60 * 44100;

// Chords, a kick and noisy hats: enough going on in every band.
const std::vector<Frame>& sixtySeconds() {
    static const std::vector<Frame> frames = [] {
        std::vector<Frame> out(kSourceFrames);
        std::mt19937 random(1);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        const double notes[] = {110.0, 138.59, 164.81, 220.0, 277.18};
        for (int64_t i = 0; i < kSourceFrames; ++i) {
            const double t = static_cast<double>(i) / 44100.0;
            double x = 0.0;
            for (double f : notes)
                x += 0.08 * std::sin(2 * M_PI * f * t);
            const double beat = std::fmod(t, 0.5);
            x += 0.4 * std::exp(-beat * 30.0) * std::sin(2 * M_PI * 55.0 * beat);
            const float hat = std::fmod(t + 0.25, 0.5) < 0.03 ? 0.1f * noise(random) : 0.0f;
            out[i] = Frame{static_cast<float>(x) + hat, static_cast<float>(x * 0.9) - hat};
        }
        return out;
    }();
    return frames;
}

// One line through the whole minute; items are blocks of 1024 output frames.
void KelvaraStretcher(benchmark::State& state) {
    const int32_t hops = static_cast<int32_t>(state.range(0));
    const std::vector<Frame>& source = sixtySeconds();
    auto stretch = std::make_unique<TimeStretchState>();
    auto scratch = std::make_unique<TimeStretchScratch>();
    std::vector<Frame> out(kBlockFrames);
    const int32_t n = sourceCount(kTempoPitch, hops);
    int64_t blocks = 0;
    for (auto _ : state) {
        *stretch = TimeStretchState{};
        for (int64_t at = 0; at + n <= kSourceFrames; at += n, ++blocks) {
            timeStretch(*stretch, source.data() + at, n, out.data(), hops, *scratch);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetItemsProcessed(blocks);
}

void SoundTouchTempo(benchmark::State& state) {
    const std::vector<Frame>& source = sixtySeconds();
    std::vector<Frame> out(8192);
    int64_t produced = 0;
    for (auto _ : state) {
        soundtouch::SoundTouch touch;
        touch.setSampleRate(44100);
        touch.setChannels(2);
        touch.setTempo(kTempo);
        for (int64_t at = 0; at + kBlockFrames <= kSourceFrames; at += kBlockFrames) {
            touch.putSamples(&source[at].left, kBlockFrames);
            uint32_t got;
            while ((got = touch.receiveSamples(&out[0].left, 8192)) > 0)
                produced += got;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(produced / kBlockFrames);
}

void RubberBandRealTime(benchmark::State& state) {
    using RubberBand::RubberBandStretcher;
    const std::vector<Frame>& source = sixtySeconds();
    std::vector<float> inLeft(kBlockFrames), inRight(kBlockFrames);
    std::vector<float> outLeft(8192), outRight(8192);
    int64_t produced = 0;
    for (auto _ : state) {
        RubberBandStretcher stretcher(44100, 2,
                                      RubberBandStretcher::OptionProcessRealTime |
                                          RubberBandStretcher::OptionEngineFaster,
                                      1.0 / kTempo, 1.0);
        for (int64_t at = 0; at + kBlockFrames <= kSourceFrames; at += kBlockFrames) {
            for (int32_t k = 0; k < kBlockFrames; ++k) {
                inLeft[k] = source[at + k].left;
                inRight[k] = source[at + k].right;
            }
            const float* in[2] = {inLeft.data(), inRight.data()};
            stretcher.process(in, kBlockFrames, false);
            float* out[2] = {outLeft.data(), outRight.data()};
            int available;
            while ((available = stretcher.available()) > 0)
                produced += static_cast<int64_t>(
                    stretcher.retrieve(out, std::min<size_t>(available, outLeft.size())));
        }
        benchmark::DoNotOptimize(outLeft.data());
    }
    state.SetItemsProcessed(produced / kBlockFrames);
}

// The whole output block with 24 lines at +8 % in tempo mode, H = 8: rings, song equalizers,
// stretchers, volume and pan, plug-ins, master gain and equalizer, meters, conversion.
void OutputThread24LinesStretching(benchmark::State& state) {
    std::vector<LineSlot*> slots;
    std::vector<std::unique_ptr<Frame[]>> rings;
    const std::vector<Frame>& source = sixtySeconds();
    for (int i = 0; i < kLineSlotCount; ++i) {
        LineSlot* slot = takeSlot();
        rings.push_back(std::make_unique<Frame[]>(kSampleRingFrames));
        std::copy(source.begin() + i * 4410, source.begin() + i * 4410 + kSampleRingFrames,
                  rings.back().get());
        slot->sampleRing = rings.back().get();
        slot->pitch.store(kTempoPitch);
        slot->volume.store(0.5f);
        slot->currentVolume.store(0.5f);
        slot->playing.store(1);
        slots.push_back(slot);
    }
    std::vector<Frame> main(kBlockFrames), cue(kBlockFrames), input(kLineInputFrames),
        output(kBlockFrames);
    std::vector<int16_t> primary(kBlockSamples);
    const MixBuffers buffers{main.data(), cue.data(), input.data(), output.data()};
    for (int32_t band = 0; band < 10; ++band)
        klvSetEQ(band, 0.0f);
    BlockSettings settings;
    settings.timeScale = true;
    settings.hopCount = 8;
    for (auto _ : state) {
        for (LineSlot* slot : slots) {
            const int32_t read = slot->sampleRead.load(std::memory_order_relaxed);
            slot->sampleWrite.store((read + 60000) & (kSampleRingFrames - 1),
                                    std::memory_order_relaxed);
        }
        mixBlock(slotTable(), kLineSlotCount, settings, buffers, primary.data(), nullptr);
        benchmark::DoNotOptimize(primary.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pct_of_block"] =
        benchmark::Counter(kBlockSeconds / 100.0, benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
    for (LineSlot* slot : slots)
        clearSlot(*slot);
}

// Prints the usual table, then microseconds per block and the throughput ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (items != run.counters.end() && items->second.value > 0)
                m_usPerBlock[run.benchmark_name()] = 1e6 / items->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // One line per block, except the output block, which holds 24 of them.
        std::printf("\nCPU time per block of 1024 output frames (%.1f ms of sound), tempo +8 %%:\n",
                    kBlockSeconds * 1000.0);
        for (const auto& [name, us] : m_usPerBlock)
            std::printf("  %-32s %9.1f us  %6.2f %% of the block\n", name.c_str(), us,
                        us / (kBlockSeconds * 1e6) * 100.0);
        const double soundTouch = find("SoundTouchTempo");
        const double rubberBand = find("RubberBandRealTime");
        for (const char* ours : {"KelvaraStretcher/4", "KelvaraStretcher/8"}) {
            const double us = find(ours);
            if (us <= 0)
                continue;
            std::printf("  %s throughput: %.2f x SoundTouch, %.2f x Rubber Band\n", ours,
                        soundTouch / us, rubberBand / us);
        }
    }

private:
    double find(const std::string& prefix) const {
        for (const auto& [name, us] : m_usPerBlock)
            if (name.rfind(prefix, 0) == 0)
                return us;
        return 0.0;
    }
    std::map<std::string, double> m_usPerBlock;
};

} // namespace

BENCHMARK(KelvaraStretcher)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(SoundTouchTempo)->Unit(benchmark::kMillisecond);
BENCHMARK(RubberBandRealTime)->Unit(benchmark::kMillisecond);
BENCHMARK(OutputThread24LinesStretching)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    RatioReporter reporter;
    return klv::bench::runBenchmarks(argc, argv, &reporter);
}

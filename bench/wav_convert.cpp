// WAV chunk conversion throughput: 22050 frames per second stereo into 44100 (the rate
// converter with its smoother), and 44100 for comparison (a plain copy). Counter
// "x_realtime": seconds of sound converted per second.

#include "engine/core/wav_convert.h"
#include "engine/core/file_ring.h"
#include "engine/core/slot_pool.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

using namespace klv::engine;

void convert(benchmark::State& state) {
    const auto rate = static_cast<int32_t>(state.range(0));
    auto slot = std::make_unique<LineSlot>();
    clearSlot(*slot);
    auto fileRing = std::make_unique<uint8_t[]>(kFileRingBytes);
    auto sampleRing = std::make_unique<Frame[]>(kSampleRingFrames);
    auto scratch = std::make_unique<WavScratch>();
    slot->fileRing = fileRing.get();
    slot->sampleRing = sampleRing.get();
    slot->channels = 2;
    slot->bitsPerSample = 16;
    slot->sampleRate = rate;
    LineHandle h{};
    h.slot = slot.get();
    h.isWave = 1;

    // One chunk of a 1 kHz tone, supplied again before every call.
    const int32_t frames = wavChunkFrames(rate);
    const int32_t bytes = frames * 4;
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[static_cast<size_t>(bytes)]);
    for (int32_t i = 0; i < frames; ++i) {
        const auto value = static_cast<int16_t>(16000 * std::sin(2 * M_PI * 1000.0 * i / rate));
        std::memcpy(chunk.get() + 4 * i, &value, 2);
        std::memcpy(chunk.get() + 4 * i + 2, &value, 2);
    }
    int64_t produced = 0;
    for (auto _ : state) {
        std::memcpy(fileRing.get(), chunk.get(), static_cast<size_t>(bytes));
        slot->fileRead.store(0, std::memory_order_relaxed);
        slot->fileWrite.store(bytes, std::memory_order_release);
        const int32_t before = slot->sampleWrite.load();
        convertWavChunk(&h, *slot, *scratch);
        produced += (slot->sampleWrite.load() - before + kSampleRingFrames) % kSampleRingFrames;
        slot->sampleRead.store(slot->sampleWrite.load());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(produced) / 44100.0, benchmark::Counter::kIsRate);
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(produced), benchmark::Counter::kIsRate);
    clearSlot(*slot);
}
BENCHMARK(convert)->Arg(22050)->Arg(44100)->Arg(48000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

// Cost of the compressor plug-in per block of 1024 frames (23.2 ms of sound), loaded from the
// program folder and called through its entry points as the engine calls it. Its settings
// store lives in a temporary Kelvara home.

#include "klv_plugin.h"
#include "platform/system/dynlib.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

namespace {

void Compressor(benchmark::State& state) {
    void* module = klv::platform::loadLibrary(KLV_COMPRESSOR_PATH);
    if (module == nullptr) {
        state.SkipWithError("no Plugins/compressor.so");
        return;
    }
    auto init = reinterpret_cast<KlvPluginInitFn>(klv::platform::findSymbol(module, "plugin_init"));
    auto process =
        reinterpret_cast<KlvPluginProcessFn>(klv::platform::findSymbol(module, "plugin_process"));
    auto uninit =
        reinterpret_cast<KlvPluginUninitFn>(klv::platform::findSymbol(module, "plugin_uninit"));
    init(KLV_PLUGIN_BLOCK_FRAMES, module, 0);
    std::vector<float> source(2 * KLV_PLUGIN_BLOCK_FRAMES);
    for (size_t k = 0; k < source.size(); ++k)
        source[k] = static_cast<float>(0.9 * std::sin(0.01 * static_cast<double>(k)));
    std::vector<float> block = source;
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    for (auto _ : state) {
        block = source;
        process(block.data());
        benchmark::DoNotOptimize(block.data());
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    // CPU time per block as a percentage of the block's duration on one core.
    const double cpu = static_cast<double>(end.tv_sec - start.tv_sec) +
                       static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
    state.counters["pct_of_block"] =
        100.0 * cpu / static_cast<double>(state.iterations()) / (1024.0 / 44100.0);
    uninit();
    klv::platform::unloadLibrary(module);
}

} // namespace

BENCHMARK(Compressor)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return klv::bench::runBenchmarks(argc, argv);
}

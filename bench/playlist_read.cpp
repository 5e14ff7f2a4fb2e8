// Reading a 10000-entry playlist through the exports, as the navigator and a line do when a
// list is loaded (goal: under 100 ms each), and saving one back.

#include "klv3.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 10000;

// The lists live in the benchmark's own home, beside its log.
const fs::path& benchFolder() {
    return klv::bench::benchHome();
}

// Half of the entries inside the list's folder (relative), half elsewhere (absolute), with
// the information lines an extended M3U carries.
std::string writeM3u() {
    const fs::path path = benchFolder() / "bench.m3u";
    std::ofstream out(path, std::ios::binary);
    out << "#EXTM3U\r\n";
    for (int i = 0; i < kEntries; ++i) {
        out << "#EXTINF:" << 180 + i % 120 << ",Artist " << i << " - Title " << i << "\r\n";
        if (i % 2 == 0)
            out << "House/Artist " << i << "/Track " << i << ".mp3\r\n";
        else
            out << "/srv/music/Techno/Artist " << i << "/Track " << i << ".mp3\r\n";
    }
    return path.string();
}

std::string writePls() {
    const fs::path path = benchFolder() / "bench.pls";
    std::ofstream out(path, std::ios::binary);
    out << "[playlist]\r\n";
    for (int i = 1; i <= kEntries; ++i) {
        out << "File" << i << "=House/Artist " << i << "/Track " << i << ".mp3\r\n";
        out << "Title" << i << "=Artist " << i << " - Title " << i << "\r\n";
        out << "Length" << i << "=" << 180 + i % 120 << "\r\n";
    }
    out << "NumberOfEntries=" << kEntries << "\r\nVersion=2\r\n";
    return path.string();
}

void readList(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        const int32_t n = klvOpenPlaylist(path.c_str());
        if (n < 0 || klvGetPlaylistCount(n) != kEntries) {
            state.SkipWithError("the list did not read back whole");
            return;
        }
        klvClosePlaylist(n);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_ReadM3u10000(benchmark::State& state) {
    readList(state, writeM3u());
}

void BM_ReadPls10000(benchmark::State& state) {
    readList(state, writePls());
}

void saveList(benchmark::State& state, const char* name) {
    const int32_t n = klvOpenPlaylist(writeM3u().c_str());
    const std::string target = (benchFolder() / name).string();
    for (auto _ : state) {
        if (klvSavePlaylist(n, target.c_str()) != 0) {
            state.SkipWithError("saving failed");
            break;
        }
    }
    klvClosePlaylist(n);
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_SaveM3u10000(benchmark::State& state) {
    saveList(state, "saved.m3u");
}

void BM_SavePls10000(benchmark::State& state) {
    saveList(state, "saved.pls");
}

BENCHMARK(BM_ReadM3u10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPls10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveM3u10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePls10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return klv::bench::runBenchmarks(argc, argv);
}

#pragma once
// What every benchmark program needs: a Kelvara home of its own (the engine logs and stores
// settings; that must never touch the user's files) and CPU and wall clocks.

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace klv::bench {

// A temporary $KELVARA_HOME, made at the first call and removed when the program ends.
inline const std::filesystem::path& benchHome() {
    struct Home {
        std::filesystem::path path;
        Home() {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "klv-bench-XXXXXX").string();
            if (mkdtemp(pattern.data()) != nullptr) {
                path = pattern;
                setenv("KELVARA_HOME", pattern.c_str(), 1);
            }
        }
        ~Home() {
            std::error_code ignored;
            if (!path.empty())
                std::filesystem::remove_all(path, ignored);
        }
    };
    static const Home home;
    return home.path;
}

inline double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

inline double wallSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Writes a 16-bit stereo WAV at 44100 frames per second of frames frames, both channels of frame
// i being sampleAt(i), streamed so that a long file never sits in memory whole.
template <typename SampleAt>
void writeWav(const std::filesystem::path& path, uint32_t frames, SampleAt sampleAt) {
    const auto putLe = [](std::string& out, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    std::string chunk = "RIFF";
    putLe(chunk, 36 + frames * 4, 4);
    chunk += "WAVEfmt ";
    for (uint32_t v : {16u, 0x00020001u, 44100u, 176400u, 0x00100004u})
        putLe(chunk, v, 4);
    chunk += "data";
    putLe(chunk, frames * 4, 4);
    std::ofstream file(path, std::ios::binary);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<uint16_t>(static_cast<int16_t>(sampleAt(i)));
        putLe(chunk, sample, 2);
        putLe(chunk, sample, 2);
        if (chunk.size() >= 65536) {
            file << chunk;
            chunk.clear();
        }
    }
    file << chunk;
}

// Runs the registered benchmarks in a home of their own.
inline int runBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter* reporter = nullptr) {
    benchHome();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace klv::bench

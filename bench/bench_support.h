#pragma once
// What every benchmark program needs: a Kelvara home of its own (the engine logs and stores
// settings; that must never touch the user's files) and CPU and wall clocks.

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <filesystem>
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

// Runs the registered benchmarks in a home of their own.
inline int runBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter* reporter = nullptr) {
    benchHome();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace klv::bench

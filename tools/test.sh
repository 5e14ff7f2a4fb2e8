#!/usr/bin/env bash
# Builds Kelvara and runs every check CI runs, stage by stage:
#   - the normal build and all tests;
#   - the exported-symbol checks of the libraries and the plug-in;
#   - the source checks: clang-format and clang-tidy over the whole tree;
#   - all tests, the program's included, under ThreadSanitizer;
#   - all tests, the program's included, under AddressSanitizer+UBSan;
#   - the fuzz targets built with clang, each run for a few seconds.
# Every build treats compiler warnings as errors. Every stage prints its start time and its
# duration; a failing stage is remembered and the later stages still run, so one run shows
# every failure.
# Usage: tools/test.sh [--quick]   (--quick: the normal build and its tests only)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh

jobs=$(nproc)
# The compiler cache keys on paths relative to the checkout, so that another clone of the same
# sources (CI's clean clone) finds what this one compiled.
export CCACHE_BASEDIR=$root
failed=()
timings=()
current=""
began=0
began_cpu=0
# CPU seconds (user and system) used so far by the commands this script ran. Next to the wall
# time it shows what a stage costs on a machine that others are using at the same time.
# `times` runs in this shell (in a subshell it would only count the subshell's children).
cpu_file=$(mktemp)
trap 'rm -f "$cpu_file"' EXIT
cpu_now=0
read_cpu() {
    times >"$cpu_file"
    cpu_now=$(awk 'END { t = 0; for (i = 1; i <= 2; ++i) { split($i, p, "m"); t += p[1] * 60 + p[2] }
                         printf "%d", t }' "$cpu_file")
}
stage() { # name: ends the stage before, starts this one
    end_stage
    current=$1
    began=$SECONDS
    read_cpu
    began_cpu=$cpu_now
    printf '\n=== %s (%s)\n' "$current" "$(date +%T)"
}
end_stage() {
    [ -z "$current" ] && return 0
    read_cpu
    local took=$((SECONDS - began)) cpu=$((cpu_now - began_cpu))
    printf -- '--- %s: %d s (%d s of CPU)\n' "$current" "$took" "$cpu"
    timings+=("$(printf '%6d s %7d s CPU  %s' "$took" "$cpu" "$current")")
    current=""
}
build() { # stage name, dir, extra cmake args...
    local name=$1 dir=$2; shift 2
    if ! { cmake -S . -B "$dir" -G Ninja -Wno-dev -DKLV_WERROR=ON "$@" >/dev/null &&
           cmake --build "$dir" -j "$jobs"; }; then
        failed+=("$name")
        return 1
    fi
}
run_tests() { # stage name, dir, ctest args...
    local name=$1 dir=$2; shift 2
    if ! (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest -j "$jobs" --output-on-failure "$@"); then
        failed+=("$name")
    fi
}

start=$SECONDS
stage "normal build"
if build "normal build" build; then
    stage "all tests"
    run_tests "all tests" build -E '_exports$'
    stage "exported-symbol check"
    run_tests "exported-symbol check" build -R '_exports$'
fi

if [ "${1:-}" != "--quick" ]; then
    stage "source checks (clang-format, clang-tidy)"
    tools/check_sources.sh build || failed+=("source checks")

    stage "ThreadSanitizer build (everything)"
    if build "ThreadSanitizer build" build-tsan -DKLV_SANITIZE=thread -DKLV_BUILD_BENCH=OFF; then
        stage "all tests under ThreadSanitizer"
        # Qt is not instrumented: what its own threads do is suppressed by library, nothing of
        # ours. The soak runs in the normal build only; the export checks need no second run.
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tools/tsan_suppressions.txt" \
            run_tests "ThreadSanitizer" build-tsan -L 'engine|platform|app'
    fi

    stage "AddressSanitizer+UBSan build (everything)"
    if build "AddressSanitizer+UBSan build" build-asan -DKLV_SANITIZE=address -DKLV_BUILD_BENCH=OFF; then
        stage "all tests under AddressSanitizer+UBSan"
        # Qt and the libraries under it are not instrumented; the leaks they keep on purpose
        # (caches held until exit) are suppressed by library, nothing of ours.
        ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
            LSAN_OPTIONS="suppressions=$root/tools/lsan_suppressions.txt print_suppressions=0" \
            run_tests "AddressSanitizer+UBSan" build-asan
    fi

    stage "fuzz targets build (clang, libFuzzer with AddressSanitizer+UBSan)"
    # Only the fuzzers and their seeds: the tests are not built with clang.
    if CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -Wno-dev -DKLV_FUZZ=ON -DKLV_WERROR=ON \
        -DKLV_BUILD_APP=OFF -DKLV_BUILD_BENCH=OFF >/dev/null &&
        cmake --build build-fuzz -j "$jobs" --target klv_fuzzers; then
        stage "fuzz smoke runs"
        tests/fuzz/run_fuzzers.sh 8 || failed+=("fuzz smoke runs")
    else
        failed+=("fuzz build")
    fi
fi
end_stage
printf '\nStage times:\n'
printf '%s\n' "${timings[@]}"
printf 'done in %d s\n' "$((SECONDS - start))"
if [ ${#failed[@]} -gt 0 ]; then
    printf 'FAILED stages: %s\n' "${failed[*]}"
    exit 1
fi
echo "all stages passed"

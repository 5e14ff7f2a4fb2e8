#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz/) and runs each for a bounded time, growing the
# corpus in build-fuzz/fuzz/work/<target>. Fails when a target finds a crash, a leak, undefined
# behaviour or an input that breaks one of its checks; the input is kept as
# build-fuzz/fuzz/work/<target>-crash-<hash> (replay: build-fuzz/fuzz/fuzz_<target> <file>).
# Usage: tests/fuzz/run_fuzzers.sh [seconds per target, default 8] [target...]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
seconds=${1:-8}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(line_file coded_line mp3_decode what_is_it playlist song_eq_file id3 options)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -Wno-dev -DKLV_FUZZ=ON -DKLV_BUILD_APP=OFF \
    -DKLV_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target klv_fuzzers

out=$root/build-fuzz/fuzz
failed=()
for t in "${targets[@]}"; do
    mkdir -p "$out/work/$t"
    # Absolute paths: the playlist reader changes the current directory.
    if "$out/fuzz_$t" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$out/work/$t-" "$out/work/$t" "$out/corpus/$t" >"$out/work/$t.log" 2>&1; then
        printf '%-14s ok  %s runs, %s\n' "$t" \
            "$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/work/$t.log")" \
            "$(grep -o 'cov: [0-9]*' "$out/work/$t.log" | tail -1)"
    else
        failed+=("$t")
        printf '%-14s FAILED, log: %s\n' "$t" "$out/work/$t.log"
        grep -E 'ERROR|SUMMARY|property does not hold|Test unit written' "$out/work/$t.log" | head -5
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    printf 'fuzz targets that failed: %s\n' "${failed[*]}"
    exit 1
fi

#!/usr/bin/env bash
# Builds Kelvara and runs every test: the normal build with all tests, then the engine and
# platform tests under ThreadSanitizer and under AddressSanitizer+UBSan.
# Usage: tools/test.sh [--quick]   (--quick: the normal build only)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
stage() { printf '\n=== %s (%s)\n' "$1" "$(date +%T)"; }
build() { # dir, extra cmake args...
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}
# A failing test stage is remembered and the later stages still run, so one run shows all.
failed=()
run_tests() { # stage name, dir, ctest args...
    local name=$1 dir=$2; shift 2
    if ! (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest -j "$jobs" --output-on-failure "$@"); then
        failed+=("$name")
    fi
}

start=$SECONDS
stage "normal build"
build build
stage "all tests"
run_tests "all tests" build

if [ "${1:-}" != "--quick" ]; then
    stage "ThreadSanitizer build (engine and platform)"
    build build-tsan -DKLV_SANITIZE=thread -DKLV_BUILD_APP=OFF -DKLV_BUILD_BENCH=OFF
    stage "engine and platform tests under ThreadSanitizer"
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_tests "ThreadSanitizer" build-tsan -L 'engine|platform'

    stage "AddressSanitizer+UBSan build (engine and platform)"
    build build-asan -DKLV_SANITIZE=address -DKLV_BUILD_APP=OFF -DKLV_BUILD_BENCH=OFF
    stage "engine and platform tests under AddressSanitizer+UBSan"
    ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
        run_tests "AddressSanitizer+UBSan" build-asan -L 'engine|platform|library'
fi
stage "done in $((SECONDS - start)) s"
if [ ${#failed[@]} -gt 0 ]; then
    printf 'FAILED stages: %s\n' "${failed[*]}"
    exit 1
fi
echo "all stages passed"

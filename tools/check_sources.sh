#!/usr/bin/env bash
# The source checks CI runs: every C and C++ file of the repository formatted as .clang-format
# says, and clang-tidy with the repository's .clang-tidy over every source file the build
# compiles (its findings are errors).
# Usage: tools/check_sources.sh BUILD_DIR   (a configured build, for compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
status=0

mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${sources[@]}"; then
    echo "clang-format: the files above are not formatted (clang-format -i fixes them)"
    status=1
fi

# Our own sources only: Qt's generated moc files and the build's own are left out.
if ! run-clang-tidy -p "$build" -quiet -j "$(nproc)" \
    "^$PWD/(app|bench|engine|platform|plugins|tests|tools)/.*\\.(c|cpp)$" >"$build/clang-tidy.log" 2>&1 ||
    grep -qE '(warning|error): ' "$build/clang-tidy.log"; then
    grep -E -A3 '(warning|error): ' "$build/clang-tidy.log" | head -200
    echo "clang-tidy: findings above (all of them in $build/clang-tidy.log)"
    status=1
fi
exit $status

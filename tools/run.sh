#!/usr/bin/env bash
# Builds Kelvara and starts the program. Arguments are passed to KLV3 (e.g. /f for full screen).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -G Ninja -Wno-dev >/dev/null
cmake --build build -j "$(nproc)"
exec build/bin/KLV3 "$@"

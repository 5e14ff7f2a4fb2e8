#!/usr/bin/env bash
# Installs the Debian 12 packages Kelvara builds and tests with. Safe to run again:
# it asks apt only for what is missing and prints nothing when everything is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    libmpg123-dev portaudio19-dev libsqlite3-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    lame libmp3lame-dev xvfb xauth
    libsoundtouch-dev librubberband-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev ffmpeg
    libtag1-dev
    clang libclang-rt-14-dev clang-format
    llvm  # llvm-symbolizer: readable stacks in sanitizer and fuzzer reports
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

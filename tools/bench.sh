#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in the build's own prefix.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FLICKHOLD_BUILD:-$root/build}/win
bash "$root/tools/setup.sh" || exit 1
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null || exit 1
cmake --build "$build" --target flickhold_bench || exit 1
. "$root/tools/wine-env.sh"
FLICKHOLD_HEADLESS=1
trap wine_session_stop EXIT
wine_session_start "$build" || exit 1
wine "$build/flickhold_bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'

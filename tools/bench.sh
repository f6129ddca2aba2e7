#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in the build's own prefix.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FLICKHOLD_BUILD:-$root/build}/win
. "$root/tools/wine-env.sh"
build_windows "$root" "$build" flickhold_bench || exit 1
FLICKHOLD_HEADLESS=1
trap wine_session_stop EXIT
wine_session_start "$build" || exit 1
wine "$build/flickhold_bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'

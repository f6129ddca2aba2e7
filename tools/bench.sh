#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in the build's own prefix.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine-env.sh
. "$root/tools/wine-env.sh"
bash "$root/tools/setup.sh" || exit 1
select_windows_arch native || exit 1
describe_windows_arch "benchmarking"
build=$(windows_build_dir "$root" "$FLICKHOLD_ARCH")
build_windows "$root" "$build" "$FLICKHOLD_ARCH" flickhold_bench || exit 1
FLICKHOLD_HEADLESS=1
# The forensic projects' caches the build unpacked, for the archive case.
export FLICKHOLD_PEER_CACHES="$build/fixtures/peer-caches"
trap wine_session_stop EXIT
wine_session_start "$build" || exit 1
"$FLICKHOLD_WINE" "$build/flickhold_bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'

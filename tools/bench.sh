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
# IE11's WebCache database, for the archive case's ESE reader.
export FLICKHOLD_WEBCACHE="$root/tests/data/webcache"
# The reference movies, whose snapshots' PNG files the movie case weighs against GDI+'s.
export FLICKHOLD_FIRST_FRAME="$root/tests/data/first-frame"
trap wine_session_stop EXIT
wine_session_start "$build" || exit 1
bench() { "$FLICKHOLD_WINE" "$build/flickhold_bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
bench "$@"

# The CSV with hashes again with every read from the disk, as an archive's
# first look at a cache is: the page cache is emptied before each step.
# Only where this machine lets it be emptied (root on Linux).
if { [ $# -eq 0 ] || [[ " $* " == *" /hashes "* ]]; } && [[ " $* " != *" /scale:"* ]]; then
    if (sync && echo 1 >/proc/sys/vm/drop_caches) 2>/dev/null; then
        bench /coldhash:write >/dev/null
        reads=() exports=()
        for _ in 1 2 3; do
            sync && echo 1 >/proc/sys/vm/drop_caches
            reads+=("$(bench /coldhash:read)")
            sync && echo 1 >/proc/sys/vm/drop_caches
            exports+=("$(bench /coldhash:export)")
        done
        bench /coldhash:clean
        median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
        awk -v e="$(median "${exports[@]}")" -v r="$(median "${reads[@]}")" 'BEGIN {
            printf "%-34s %9.1f ms   baseline %9.1f ms   ratio %5.2f   records 2000\n", "  the same, read from the disk", e, r, e / r
            printf "  bound 1.20: %s (ratio %.2f)\n", (e / r <= 1.2 ? "met" : "NOT met"), e / r }'
    else
        echo "  (read from the disk: not measured, the page cache cannot be emptied here)"
    fi
fi

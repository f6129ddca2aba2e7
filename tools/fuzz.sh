#!/usr/bin/env bash
# Builds the fuzz targets (clang, host) and runs each from its seed corpus
# for FUZZ_SECONDS seconds (60 unless given); crashes are kept in build/fuzz.
#   make fuzz FUZZ_SECONDS=600
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh" || exit 1
build=${FLICKHOLD_BUILD:-$root/build}/fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DFLICKHOLD_HOST_CORE=ON -DFLICKHOLD_FUZZ=ON >/dev/null || exit 1
cmake --build "$build" || exit 1
status=0
# Every target with a seed corpus; an input that takes over ten seconds is a hang.
for seeds in "$root"/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  bash "$root/tools/fuzz_run.sh" "$build/fuzz/fuzz_$name" "$seeds" \
    -max_total_time="${FUZZ_SECONDS:-60}" -timeout=10 || status=1
done
exit $status

#!/usr/bin/env bash
# Runs one fuzz target from its seed corpus; what it finds goes to a scratch
# folder (the committed corpus is never written), crashes beside it.
#   fuzz_run.sh TARGET SEED_FOLDER [libFuzzer options...]
set -u
target=$1 seeds=$2
shift 2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
log="$scratch/log"
"$target" -artifact_prefix="$(dirname "$target")/crash-$(basename "$target")-" -print_final_stats=1 \
  "$@" "$scratch" "$seeds" >"$log" 2>&1
status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
echo "$(basename "$target"): ${runs:-?} executions, exit $status"
if [ "$status" -ne 0 ]; then
  grep -m1 -E 'property failed|ERROR: ' "$log"
  tail -n 30 "$log"
fi
exit $status

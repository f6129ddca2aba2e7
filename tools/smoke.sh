#!/usr/bin/env bash
# Starts the real Flickhold.exe on the sample cache as a user would, checks
# that its main window lists the sample movies, then ends it by process id.
#   smoke.sh Flickhold.exe flickhold_sample.exe flickhold_probe.exe
set -u
exe=$1 sample=$2 probe=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env "$(build_dir_of "$exe")"
if [ -z "${DISPLAY:-}" ]; then
  echo "smoke: needs a display (run through tools/test.sh)" >&2
  exit 1
fi
"$FLICKHOLD_WINE" "$sample" </dev/null 2>/dev/null | tr -d '\r'
"$FLICKHOLD_WINE" "$exe" >/dev/null 2>&1 </dev/null &
pid=$!
rows=$("$FLICKHOLD_WINE" "$probe" 30000 </dev/null 2>/dev/null | tr -d '\r')
stop_program "$pid"
missing=()
for name in intro racer cat dog cubes banner orphan_clock orphan_logo; do
  grep -qx "$name" <<<"$rows" || missing+=("$name")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "smoke: the main window does not list ${missing[*]}; it lists:" >&2
  printf '  %s\n' "$rows" >&2
  exit 1
fi
echo "smoke: the main window lists the $(wc -l <<<"$rows") sample movies"

#!/usr/bin/env bash
# Builds Flickhold.exe and runs it under Wine in the project-local prefix.
# Without a display it runs on a virtual one, saves a screenshot of the main
# window and ends the program.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FLICKHOLD_BUILD:-$root/build}/win

. "$root/tools/wine-env.sh"
build_windows "$root" "$build" Flickhold flickhold_sample || exit 1

headless=0
[ -z "${DISPLAY:-}" ] && headless=1
FLICKHOLD_HEADLESS=$headless
trap wine_session_stop EXIT
wine_session_start "$build" || exit 1
wine "$build/flickhold_sample.exe" </dev/null 2>/dev/null | tr -d '\r'

if [ $headless = 0 ]; then
  wine "$build/Flickhold.exe" "$@"
  exit 0
fi

shot=${FLICKHOLD_SCREENSHOT:-$root/build/flickhold-screenshot.png}
wine "$build/Flickhold.exe" "$@" >/dev/null 2>&1 &
pid=$!
window=
for _ in $(seq 1 300); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"SWF / {print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "run: the main window did not appear" >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
sleep 1
import -window "$window" "$shot"
status=$?
wine taskkill /f /im Flickhold.exe >/dev/null 2>&1 || kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ $status = 0 ] && echo "run: no display, so the main window was saved to $shot"
exit $status

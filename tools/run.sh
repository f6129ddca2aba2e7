#!/usr/bin/env bash
# Builds Flickhold.exe and runs it under Wine in the project-local prefix, on
# the sample cache. Without a display it runs on a virtual one, saves a
# screenshot of the main window and ends the program.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine-env.sh
. "$root/tools/wine-env.sh"
bash "$root/tools/setup.sh" || exit 1
select_windows_arch || exit 1
enter_windows_arch "$0" "$@"
build=$(windows_build_dir "$root" "$FLICKHOLD_ARCH")
build_windows "$root" "$build" "$FLICKHOLD_ARCH" Flickhold flickhold_sample flickhold_probe || exit 1
describe_windows_arch "running"

headless=0
[ -z "${DISPLAY:-}" ] && headless=1
FLICKHOLD_HEADLESS=$headless
trap wine_session_stop EXIT
wine_session_start "$build" || exit 1
# FLICKHOLD_DPI=192 shows the program as on a 200% screen (Wine's LogPixels;
# FLICKHOLD_SCREEN=2560x2048 gives it room); without it the prefix is at 96.
"$FLICKHOLD_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${FLICKHOLD_DPI:-96}" /f \
  >/dev/null 2>&1
"$FLICKHOLD_WINE" "$build/flickhold_sample.exe" </dev/null 2>/dev/null | tr -d '\r'

if [ $headless = 0 ]; then
  "$FLICKHOLD_WINE" "$build/Flickhold.exe" "$@"
  exit 0
fi

shot=${FLICKHOLD_SCREENSHOT:-$root/build/flickhold-screenshot.png}
"$FLICKHOLD_WINE" "$build/Flickhold.exe" "$@" >/dev/null 2>&1 </dev/null &
pid=$!
rows=$("$FLICKHOLD_WINE" "$build/flickhold_probe.exe" 30000 ${FLICKHOLD_PROBE_KEYS:-} </dev/null 2>/dev/null | tr -d '\r')
window=$(xwininfo -root -tree 2>/dev/null | awk '/"SWF / {print $1; exit}')
if [ -z "$window" ]; then
  echo "run: the main window did not appear" >&2
  stop_program "$pid"
  exit 1
fi
sleep 1
# A tip is a window of its own: the whole screen shows it with the main window.
[ "${FLICKHOLD_PROBE_KEYS:-}" = tip ] && window=root
import -window "$window" "$shot"
status=$?
stop_program "$pid"
[ $status = 0 ] && echo "run: no display, so the main window, listing $(grep -c . <<<"$rows") movies, was saved to $shot"
exit $status

#!/usr/bin/env bash
# Starts the real Flickhold.exe on a clean profile and checks that its main
# window comes up, then ends it.
set -u
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
build=$(dirname "$(readlink -f "$exe")")
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
wine_env "$build"
if [ -z "${DISPLAY:-}" ]; then
  echo "smoke: needs a display (run through tools/test.sh)" >&2
  exit 1
fi
wine "$exe" >/dev/null 2>&1 &
pid=$!
found=
for _ in $(seq 1 200); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"SWF '; then found=1; break; fi
  sleep 0.1
done
kill "$pid" 2>/dev/null
wine taskkill /f /im Flickhold.exe >/dev/null 2>&1 || true
wait "$pid" 2>/dev/null
if [ -z "$found" ]; then
  echo "smoke: the main window did not appear" >&2
  exit 1
fi
echo "smoke: the main window appeared"

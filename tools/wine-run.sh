#!/usr/bin/env bash
# CTest's emulator: runs a Windows test program under Wine in the build's own
# prefix. A run started by tools/test.sh finds its Xvfb and wineserver ready;
# started alone it brings up what is missing for this one program.
set -u
exe=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"

build=$(build_dir_of "$exe")
lang=${FLICKHOLD_LANG:-}
wine_env "$build"
[ -n "$lang" ] && export LANG="$lang"

launcher=("$FLICKHOLD_WINE")
if [ -z "${DISPLAY:-}" ]; then
  exec 9>"$build/.wine-run.lock"
  flock 9
  wine_prefix_init
  flock -u 9
  exec 9>&-
  launcher=(xvfb-run -a -s "-screen 0 1280x1024x24" "$FLICKHOLD_WINE")
fi
# Wine's helper processes (services, the desktop) outlive the program and
# inherit its output: give them a file, not CTest's pipe, or CTest waits on them.
out=$(mktemp)
"${launcher[@]}" "$exe" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status

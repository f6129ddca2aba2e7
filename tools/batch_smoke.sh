#!/usr/bin/env bash
# Runs the real Flickhold.exe in batch mode as a script would: its files,
# its console line and its exit codes (0 done, 1 not all written, 2 usage).
#   batch_smoke.sh Flickhold.exe
set -u
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env "$(build_dir_of "$exe")"
work="$WINEPREFIX/drive_c/flickhold_batch"
rm -rf "$work"
mkdir -p "$work/in"
# Two small movies: a signature, a version and a length.
printf 'FWS\012\040\000\000\000' >"$work/in/intro.swf"
printf 'FWS\011\040\000\000\000' >"$work/in/racer.swf"
win='C:\flickhold_batch'
fail=0
said=$(mktemp)
# Output goes to a file: Wine's helper processes may keep a pipe open.
run() {
  "$FLICKHOLD_WINE" "$exe" "$@" </dev/null >"$said" 2>/dev/null
  rc=$?
  out=$(tr -d '\r' <"$said")
}
check() {
  if ! eval "$1"; then
    echo "batch: $2 (exit $rc, said: $out)" >&2
    fail=1
  fi
}

run "/source:folder:$win\\in" "/saveall:$win\\out" /sitefolders "/export:$win\\list.csv"
check '[ "$rc" -eq 0 ]' "a full run did not end with 0"
check '[ "$(find "$work/out" -name "*.swf" | wc -l)" -eq 2 ]' "the two movies are not in the site folders"
check '[ "$(head -c 3 "$work/list.csv" | od -An -tx1 | tr -d " ")" = efbbbf ]' "the list has no byte order mark"
check '[ "$(wc -l <"$work/list.csv")" -eq 3 ]' "the list does not hold a header and two movies"
check 'grep -q "list.csv" <<<"$out"' "the console line does not name the list"

run "/export:$win\\a.csv" "/export:$win\\b.csv"
check '[ "$rc" -eq 2 ]' "a repeated flag did not end with 2"
check 'grep -q "/saveall:" <<<"$out"' "a bad command line did not print the usage"

run "/source:folder:$win\\in" "/export:$win\\nowhere\\list.csv"
check '[ "$rc" -eq 1 ]' "a list in a missing folder did not end with 1"
check '[ ! -e "$work/nowhere" ]' "a failed list left something behind"

rm -rf "$work" "$said"
[ "$fail" -eq 0 ] && echo "batch: files, console line and exit codes 0, 1, 2 as expected"
exit "$fail"

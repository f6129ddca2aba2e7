#!/usr/bin/env bash
# Frame 1 of the reference movies (tests/data/first-frame/cases), drawn by the
# real program's batch snapshots at stage size, scored against the reference
# pictures: at least 97% of pixels within 8/255, and 99.9% when one-pixel
# edge differences are forgiven. The cases are those the core's own test
# scores (tests/swf/swf_reference_test.cpp): the same pixels, through the program.
#   first_frame_smoke.sh Flickhold.exe
set -u
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env "$(build_dir_of "$exe")"
refs=${FLICKHOLD_FIRST_FRAME:-$here/../tests/data/first-frame}
if [ ! -f "$refs/compare.py" ] || [ ! -d "$refs/cases" ]; then
  echo "first frame: no references ($refs)" >&2
  exit 1
fi
refs=$(cd "$refs" && pwd)
work="$WINEPREFIX/drive_c/flickhold_first_frame"
rm -rf "$work"
mkdir -p "$work/cases"
mkdir -p "$work/ref" "$work/out"
# Every case with a picture of its frame 1 (some have only later frames).
for movie in "$refs"/cases/*.swf; do
  name=$(basename "$movie" .swf)
  [ -f "$refs/ref/$name.png" ] || continue
  cp "$movie" "$work/cases/"
  cp "$refs/ref/$name.png" "$work/ref/"
done
[ "$(ls "$work/ref" | wc -l)" -ge 29 ] || { echo "first frame: reference pictures missing" >&2; exit 1; }
snapshot() {  # FOLDER OUT
  "$FLICKHOLD_WINE" "$exe" "/source:folder:C:\\flickhold_first_frame\\$1" "/snapshot:C:\\flickhold_first_frame\\$2" \
    </dev/null >"$work/said" 2>/dev/null
  local rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "first frame: exit $rc for $1, said: $(tr -d '\r' <"$work/said")" >&2
    exit 1
  fi
}
snapshot cases out
fail=0
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 97 || fail=1
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 99.9 --edge-tolerant >/dev/null || {
  echo "first frame: a case is below 99.9% edge-tolerant" >&2
  fail=1
}
exit $fail

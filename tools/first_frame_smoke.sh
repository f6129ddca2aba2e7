#!/usr/bin/env bash
# Frame 1 of the reference movies (tests/data/first-frame/cases), and frame N
# where a reference NAME-fN.png exists (drawn with /frame:N), by the real
# program's batch snapshots at stage size, scored against the reference
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
snapshot() {  # FOLDER OUT [/frame:N]
  "$FLICKHOLD_WINE" "$exe" "/source:folder:C:\\flickhold_first_frame\\$1" "/snapshot:C:\\flickhold_first_frame\\$2" \
    ${3:+"$3"} </dev/null >"$work/said" 2>/dev/null
  local rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "first frame: exit $rc for $1 $3, said: $(tr -d '\r' <"$work/said")" >&2
    exit 1
  fi
}
snapshot cases out
# Later frames: each movie with such references alone in a folder, drawn
# at every frame named, the pictures renamed as the references are.
for ref in "$refs"/ref/*-f[0-9]*.png; do
  [ -e "$ref" ] || continue
  base=$(basename "$ref" .png)
  name=${base%-f*}
  frame=${base##*-f}
  rm -rf "$work/one" "$work/one-out"
  mkdir -p "$work/one"
  cp "$refs/cases/$name.swf" "$work/one/"
  snapshot one one-out "/frame:$frame"
  mv "$work/one-out/$name.png" "$work/out/$base.png" || { echo "first frame: no picture of $base" >&2; exit 1; }
  cp "$ref" "$work/ref/"
done
fail=0
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 97 || fail=1
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 99.9 --edge-tolerant >/dev/null || {
  echo "first frame: a case is below 99.9% edge-tolerant" >&2
  fail=1
}
exit $fail

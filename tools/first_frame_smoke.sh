#!/usr/bin/env bash
# The reference movies (tests/data/first-frame/cases) drawn by the real
# program's batch snapshots at stage size: frame 1 for every picture
# ref/NAME.png, and the picture after N frames played (/frame:N, actions
# steering the timelines) for every ref/NAME-fN.png and the scripted game's
# ref/scripted/NAME-fN.png. Each is scored against
# its reference: at least 97% of pixels within 8/255, and 99.9% when
# one-pixel edge differences are forgiven. The core's own test
# (tests/swf/swf_reference_test.cpp) scores the same pictures: the same
# pixels, through the program. Cases in pending/ (not yet drawn within the
# thresholds) are scored by neither.
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
mkdir -p "$work/ref" "$work/out"
# One folder of movies a frame number, each copy named as its picture is,
# so that the snapshot's name is the picture's.
frames=()
firsts=0
for picture in "$refs"/ref/*.png "$refs"/ref/scripted/*.png; do
  name=$(basename "$picture" .png)
  case $name in
    *-f[0-9]*) frame=${name##*-f} movie=${name%-f*} ;;
    *) frame=1 movie=$name firsts=$((firsts + 1)) ;;
  esac
  if [ ! -f "$refs/cases/$movie.swf" ]; then
    echo "first frame: no movie for $name" >&2
    exit 1
  fi
  mkdir -p "$work/f$frame"
  cp "$refs/cases/$movie.swf" "$work/f$frame/$name.swf"
  cp "$picture" "$work/ref/"
  case " ${frames[*]} " in *" $frame "*) ;; *) frames+=("$frame") ;; esac
done
if [ "$firsts" -lt 29 ] || [ ${#frames[@]} -lt 2 ]; then
  echo "first frame: reference pictures missing in $refs/ref" >&2
  exit 1
fi
for frame in "${frames[@]}"; do
  "$FLICKHOLD_WINE" "$exe" "/source:folder:C:\\flickhold_first_frame\\f$frame" '/snapshot:C:\flickhold_first_frame\out' \
    "/frame:$frame" </dev/null >"$work/said" 2>/dev/null
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "first frame: frame $frame: exit $rc, said: $(tr -d '\r' <"$work/said")" >&2
    exit 1
  fi
done
fail=0
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 97 || fail=1
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 99.9 --edge-tolerant >/dev/null || {
  echo "first frame: a picture is below 99.9% edge-tolerant" >&2
  fail=1
}
exit $fail

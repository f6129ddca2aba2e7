#!/usr/bin/env bash
# Later frames of the reference movies: for every picture ref/NAME-fN.png in
# tests/data/first-frame, the real program's batch snapshot of
# cases/NAME.swf with /frame:N (the picture after N frames played, actions
# steering the timelines), scored as first_frame_smoke.sh scores frame 1: at
# least 97% of pixels within 8/255, and 99.9% when one-pixel edge
# differences are forgiven.
#   frames_smoke.sh Flickhold.exe
set -u
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env "$(build_dir_of "$exe")"
refs=${FLICKHOLD_FIRST_FRAME:-$here/../tests/data/first-frame}
refs=$(cd "$refs" && pwd)
work="$WINEPREFIX/drive_c/flickhold_frames"
rm -rf "$work"
mkdir -p "$work/ref" "$work/out"
# One folder of movies a frame number, each copy named as its picture is,
# so that the snapshot's name is the picture's.
frames=()
for picture in "$refs"/ref/*-f[0-9]*.png; do
  [ -f "$picture" ] || continue
  name=$(basename "$picture" .png)
  frame=${name##*-f}
  movie=${name%-f*}
  if [ ! -f "$refs/cases/$movie.swf" ]; then
    echo "frames: no movie for $name" >&2
    exit 1
  fi
  mkdir -p "$work/f$frame"
  cp "$refs/cases/$movie.swf" "$work/f$frame/$name.swf"
  cp "$picture" "$work/ref/"
  case " ${frames[*]} " in *" $frame "*) ;; *) frames+=("$frame") ;; esac
done
if [ ${#frames[@]} -eq 0 ]; then
  echo "frames: no pictures of later frames in $refs/ref" >&2
  exit 1
fi
for frame in "${frames[@]}"; do
  "$FLICKHOLD_WINE" "$exe" "/source:folder:C:\\flickhold_frames\\f$frame" '/snapshot:C:\flickhold_frames\out' \
    "/frame:$frame" </dev/null >"$work/said" 2>/dev/null
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "frames: frame $frame: exit $rc, said: $(tr -d '\r' <"$work/said")" >&2
    exit 1
  fi
done
fail=0
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 97 || fail=1
python3 "$refs/compare.py" --refdir "$work/ref" --canddir "$work/out" --min-within 99.9 --edge-tolerant >/dev/null || {
  echo "frames: a picture is below 99.9% edge-tolerant" >&2
  fail=1
}
exit $fail

#!/usr/bin/env bash
# Draws the program's icons (16x16 and 32x32 images each) into res/.
# Run by hand when the artwork changes; the .ico files are committed.
set -euo pipefail
cd "$(dirname "$0")/../res"
im=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Application: a film frame with a red play triangle.
app() {
  local s=$1 f=$((s/16))
  $im -size ${s}x${s} xc:none -fill '#20304a' -draw "roundrectangle 0,$((2*f)) $((s-1)),$((s-1-2*f)) $((2*f)),$((2*f))" \
      -fill '#f0f0f0' -draw "rectangle $((2*f)),$((4*f)) $((s-1-2*f)),$((s-1-4*f))" \
      -fill '#d02020' -draw "polygon $((5*f)),$((5*f)) $((5*f)),$((s-1-5*f)) $((s-1-4*f)),$((s/2))" \
      -type TrueColorAlpha "$tmp/app$s.png"
}
# Movie file: a page with a folded corner and an "f" swoosh.
movie() {
  local s=$1 f=$((s/16))
  $im -size ${s}x${s} xc:none -fill white -stroke '#505050' -strokewidth 1 \
      -draw "polygon $((2*f)),0 $((s-1-5*f)),0 $((s-1-2*f)),$((3*f)) $((s-1-2*f)),$((s-1)) $((2*f)),$((s-1))" \
      -stroke none -fill '#c82828' -draw "rectangle $((5*f)),$((6*f)) $((s-1-5*f)),$((s-1-3*f))" \
      -fill white -draw "rectangle $((7*f)),$((8*f)) $((8*f)),$((s-1-4*f))" \
      -draw "rectangle $((7*f)),$((8*f)) $((s-1-6*f)),$((9*f))" \
      -type TrueColorAlpha "$tmp/movie$s.png"
}
# Folder: a yellow folder with a tab.
folder() {
  local s=$1 f=$((s/16))
  $im -size ${s}x${s} xc:none -fill '#d8a020' -stroke '#8a6410' -strokewidth 1 \
      -draw "polygon 0,$((3*f)) $((6*f)),$((3*f)) $((7*f)),$((5*f)) $((s-1)),$((5*f)) $((s-1)),$((s-2*f)) 0,$((s-2*f))" \
      -fill '#f4c850' -draw "rectangle 0,$((7*f)) $((s-1)),$((s-2*f))" \
      -type TrueColorAlpha "$tmp/folder$s.png"
}
for s in 16 32; do app $s; movie $s; folder $s; done
$im "$tmp/app16.png" "$tmp/app32.png" app.ico
$im "$tmp/movie16.png" "$tmp/movie32.png" movie.ico
$im "$tmp/folder16.png" "$tmp/folder32.png" folder.ico

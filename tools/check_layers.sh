#!/usr/bin/env bash
# Each folder of src/ includes only from the folders before it in this list
# (and from res/ for resource identifiers). Prints every include that breaks
# the order, naming the file, and fails when there is one.
set -u
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
order=(base win settings caches discovery raster swf avm1 gfx html tooltip player actions ui app)
rank() {
  local i
  for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}
bad=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  folder=${rel%%/*}
  own=$(rank "$folder")
  if [ "$own" -lt 0 ]; then
    echo "check_layers: $rel is in a folder that has no place in the order" >&2
    bad=1
    continue
  fi
  while IFS= read -r line; do
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<<"$line")
    case "$target" in
      */*) ;;
      *) continue ;;
    esac
    dep=${target%%/*}
    [ "$dep" = res ] && continue
    r=$(rank "$dep")
    if [ "$r" -lt 0 ] || [ "$r" -gt "$own" ]; then
      echo "check_layers: $rel includes $target, which $folder/ may not use" >&2
      bad=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) | sort)
# Nor does any file keep objects in thread_local storage: when a thread ends,
# the MinGW runtime frees that storage before it runs their destructors
# (base/shelf.h lends working objects instead).
while IFS= read -r hit; do
  echo "check_layers: ${hit#"$src"/} keeps an object in thread_local storage" >&2
  bad=1
done < <(grep -rnE '\bthread_local\b' "$src" --include='*.h' --include='*.cpp' --include='*.inc' | grep -v '^[^:]*:[0-9]*:[[:space:]]*//')
[ $bad = 0 ] && echo "check_layers: every include follows the folder order, and no file uses thread_local storage"
exit $bad

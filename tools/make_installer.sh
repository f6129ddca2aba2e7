#!/usr/bin/env bash
# Builds the NSIS installer for one Flickhold.exe: a 64-bit installer for a
# 64-bit program (the test build), the 32-bit one otherwise. The read-me
# files and the licence go in as Windows text: UTF-8 with a byte order mark
# and CR LF, which every Notepad reads.
#   make_installer.sh Flickhold.exe VERSION OUTPUT.exe [DOCS_FOLDER]
set -euo pipefail
exe=$(readlink -f "$1") version=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
docs=${4:-$(mktemp -d)}
mkdir -p "$docs"
for pair in "packaging/README-ko.txt:README-ko.txt" "packaging/README-en.txt:README-en.txt" "LICENSE:LICENSE.txt"; do
  { printf '\357\273\277'; sed 's/$/\r/' "$root/${pair%%:*}"; } >"$docs/${pair##*:}"
done
arch=()
if file "$exe" | grep -q 'PE32+'; then arch=(-DWIN64); fi
makensis -V2 -INPUTCHARSET UTF8 "${arch[@]}" -DVERSION="$version" -DEXE="$exe" \
  -DOUTFILE="$(readlink -f "$(dirname "$out")")/$(basename "$out")" -DDOCS="$(readlink -f "$docs")" \
  "$root/packaging/flickhold.nsi" >/dev/null
[ -n "${4:-}" ] || rm -rf "$docs"

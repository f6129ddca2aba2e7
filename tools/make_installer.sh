#!/usr/bin/env bash
# Builds the NSIS installer for one Flickhold.exe: a 64-bit installer for a
# 64-bit program (the test build), the 32-bit one otherwise.
#   make_installer.sh Flickhold.exe VERSION OUTPUT.exe
set -euo pipefail
exe=$(readlink -f "$1") version=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
arch=()
if file "$exe" | grep -q 'PE32+'; then arch=(-DWIN64); fi
makensis -V2 -INPUTCHARSET UTF8 "${arch[@]}" -DVERSION="$version" -DEXE="$exe" -DOUTFILE="$(readlink -f "$(dirname "$out")")/$(basename "$out")" \
  -DPACKAGING="$root/packaging" "$root/packaging/flickhold.nsi" >/dev/null

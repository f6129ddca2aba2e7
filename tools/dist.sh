#!/usr/bin/env bash
# Builds the release packages of the shipped 32-bit program into dist/:
# Flickhold-<version>.zip (the program, the read-me files, the licence) and
# Flickhold-<version>-setup.exe (NSIS). The version is the version resource's.
# FLICKHOLD_DIST names another output folder (the installer test uses one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine-env.sh
. "$root/tools/wine-env.sh"
bash "$root/tools/setup.sh"
build=$(windows_build_dir "$root" i686)
build_windows "$root" "$build" i686 Flickhold
version=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$root/res/flickhold.rc")
[ -n "$version" ] || { echo "dist: no ProductVersion in res/flickhold.rc" >&2; exit 1; }
dist=${FLICKHOLD_DIST:-$root/dist}
stage="$build/dist-stage"
rm -rf "$stage"
mkdir -p "$stage" "$dist"
cp "$build/Flickhold.exe" "$stage/Flickhold.exe"
# The installer stages the text files; the zip takes the same ones.
bash "$root/tools/make_installer.sh" "$build/Flickhold.exe" "$version" "$dist/Flickhold-$version-setup.exe" "$stage"
zip="$dist/Flickhold-$version.zip"
rm -f "$zip"
(cd "$stage" && zip -q -X "$zip" Flickhold.exe README-ko.txt README-en.txt LICENSE.txt)
echo "dist: $zip"
echo "dist: $dist/Flickhold-$version-setup.exe"

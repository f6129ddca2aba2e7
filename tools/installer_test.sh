#!/usr/bin/env bash
# Installs Flickhold with its setup program silently into a fresh Wine
# prefix, starts the installed program, uninstalls it silently and checks
# that nothing of it is left: files, Start menu entry, uninstall entry.
#   installer_test.sh Flickhold.exe flickhold_acl_probe.exe
set -u
exe=$(readlink -f "$1")
probe=$(readlink -f "$2")
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
build=$(build_dir_of "$exe")
wine_env "$build"
export WINEPREFIX="$build/installer-prefix"
rm -rf "$WINEPREFIX"
version=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$root/res/flickhold.rc")
if file "$exe" | grep -q 'PE32+'; then
  # Where only the 64-bit test build runs, a 64-bit setup program of it.
  setup="$build/Flickhold-test-setup.exe"
  bash "$here/make_installer.sh" "$exe" "$version" "$setup" || { echo "installer: makensis failed" >&2; exit 1; }
else
  # The setup program users get, as the release command builds it.
  dist="$build/dist-test"
  FLICKHOLD_BUILD=$(dirname "$build") FLICKHOLD_DIST="$dist" bash "$here/dist.sh" >/dev/null ||
    { echo "installer: the release command failed" >&2; exit 1; }
  setup="$dist/Flickhold-$version-setup.exe"
fi

fail=0
check() {
  if ! eval "$1"; then
    echo "installer: $2" >&2
    fail=1
  fi
}
finish() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX" "$setup" "${dist:-}"
}
trap finish EXIT
# The uninstaller copies itself to the temporary folder and goes on from
# there: wait until the folder is gone, or a minute.
uninstall_and_wait() {
  timeout 60 "$FLICKHOLD_WINE" "$1\uninstall.exe" /S >/dev/null 2>&1
  for _ in $(seq 1 120); do
    [ -e "$2" ] || break
    sleep 0.5
  done
  timeout 60 wineserver -w
}

timeout 180 "$FLICKHOLD_WINE" wineboot.exe -i >/dev/null 2>&1
timeout 120 "$FLICKHOLD_WINE" "$setup" /S >/dev/null 2>&1
check '[ $? -eq 0 ]' "the silent install did not end with 0"
dir="$WINEPREFIX/drive_c/Program Files/Flickhold"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Flickhold"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Flickhold'
for f in Flickhold.exe README-ko.txt README-en.txt LICENSE.txt uninstall.exe; do
  check '[ -f "$dir/$f" ]' "$f is not installed"
done
check '[ -f "$menu/Flickhold.lnk" ]' "there is no Start menu shortcut"
check '"$FLICKHOLD_WINE" reg query "$key" /v UninstallString >/dev/null 2>&1' "there is no uninstall entry"

# The installed program runs: a batch export of an empty folder.
mkdir -p "$WINEPREFIX/drive_c/empty"
timeout 60 "$FLICKHOLD_WINE" 'C:\Program Files\Flickhold\Flickhold.exe' '/source:folder:C:\empty' \
  '/export:C:\installed.csv' >/dev/null 2>&1 </dev/null
check '[ $? -eq 0 ] && [ -f "$WINEPREFIX/drive_c/installed.csv" ]' "the installed program did not run"

uninstall_and_wait 'C:\Program Files\Flickhold' "$dir"
check '[ ! -e "$dir" ]' "the program folder is still there: $(ls "$dir" 2>&1 | tr '\n' ' ')"
check '[ ! -e "$menu" ]' "the Start menu entry is still there"
check '! "$FLICKHOLD_WINE" reg query "$key" >/dev/null 2>&1' "the uninstall entry is still there"

# A chosen folder that holds another program's files: the installer makes a
# Flickhold folder of its own there, and the uninstaller leaves the rest.
tools="$WINEPREFIX/drive_c/Tools"
mkdir -p "$tools"
printf 'other program' >"$tools/uninstall.exe"
printf 'the user' >"$tools/LICENSE.txt"
timeout 120 "$FLICKHOLD_WINE" "$setup" /S '/D=C:\Tools' >/dev/null 2>&1
check '[ $? -eq 0 ] && [ -f "$tools/Flickhold/Flickhold.exe" ]' "an existing folder did not get a Flickhold folder of its own"
check '[ "$(cat "$tools/uninstall.exe")" = "other program" ] && [ "$(cat "$tools/LICENSE.txt")" = "the user" ]' \
  "the installer overwrote files it did not put there"
# Outside Program Files the folder is closed to other users: Users (BU) may
# only read and run, Everyone (WD) and Authenticated Users (AU) get nothing.
# (Wine keeps no access list itself; it maps the one set to the folder's
# mode bits and shows those, so the entry for Users may be missing there.)
acl=$("$FLICKHOLD_WINE" "$probe" 'C:\Tools\Flickhold' 2>/dev/null | tr -d '\r')
others=${acl//(A;OICI;0x1200a9;;;BU)/}
check 'grep -q "^D:" <<<"$acl" && ! grep -Eq ";;;(BU|WD|AU)\)" <<<"$others"' "the folder is open to other users: $acl"
uninstall_and_wait 'C:\Tools\Flickhold' "$tools/Flickhold"
check '[ ! -e "$tools/Flickhold" ]' "the Flickhold folder in an existing folder was not removed"
check '[ "$(cat "$tools/uninstall.exe" 2>/dev/null)" = "other program" ] && [ -f "$tools/LICENSE.txt" ]' \
  "the uninstaller removed files it did not install"

# A folder that only seems to be in Program Files (through "..") is outside
# it, and closed to other users like any other. /D= takes the rest of the
# command line unquoted, so cmd passes it on as typed.
setup_win=$("$FLICKHOLD_WINE" winepath -w "$setup" 2>/dev/null | tr -d '\r')
timeout 120 "$FLICKHOLD_WINE" cmd /c "$setup_win /S /D=C:\Program Files\..\Users\Public" >/dev/null 2>&1
public="$WINEPREFIX/drive_c/users/Public/Flickhold"
check '[ $? -eq 0 ] && [ -f "$public/Flickhold.exe" ]' "the install through .. did not reach C:\Users\Public\Flickhold"
acl=$("$FLICKHOLD_WINE" "$probe" 'C:\Users\Public\Flickhold' 2>/dev/null | tr -d '\r')
others=${acl//(A;OICI;0x1200a9;;;BU)/}
check 'grep -q "^D:" <<<"$acl" && ! grep -Eq ";;;(BU|WD|AU)\)" <<<"$others"' "a folder reached through .. is open to other users: $acl"
location=$("$FLICKHOLD_WINE" reg query "$key" /v InstallLocation 2>/dev/null | tr -d '\r')
check 'grep -qi "C:\\\\users\\\\Public\\\\Flickhold" <<<"$location"' "the uninstall entry names another folder: $location"
uninstall_and_wait 'C:\Users\Public\Flickhold' "$public"
check '[ ! -e "$public" ]' "the folder reached through .. was not removed"

# A Flickhold folder that already holds files it did not install is refused.
busy="$WINEPREFIX/drive_c/Busy/Flickhold"
mkdir -p "$busy"
printf 'notes' >"$busy/notes.txt"
timeout 120 "$FLICKHOLD_WINE" "$setup" /S '/D=C:\Busy' >/dev/null 2>&1
check '[ $? -ne 0 ] && [ ! -e "$busy/Flickhold.exe" ] && [ "$(cat "$busy/notes.txt")" = notes ]' \
  "the installer went into a folder that holds other files"

[ "$fail" -eq 0 ] && echo "installer: installed, ran and uninstalled without a trace"
exit "$fail"

#!/usr/bin/env bash
# Installs every Debian package the build, the run and the tests need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build make g++ git
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev zlib1g-dev lzma-dev
  googletest
  wine wine32:i386 wine64
  xvfb xauth x11-utils imagemagick file
  fonts-nanum locales
  clang libclang-rt-14-dev
  nsis zip
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$p")
  done
fi

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (${missing[*]}); run as root" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  log=$(mktemp)
  if ! { dpkg --add-architecture i386 && apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    tail -n 5 "$log" >&2
    rm -f "$log"
    still=()
    for p in "${missing[@]}"; do
      status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
      [ "$status" = installed ] || still+=("$p")
    done
    echo "setup: could not install ${still[*]:-the packages above}" >&2
    exit 1
  fi
  rm -f "$log"
fi

# Wine takes its code page from the locale, so the Korean (949) and Japanese
# (932) locales must exist for the program and the double-byte tests.
need_locale=()
for loc in ko_KR.UTF-8 ja_JP.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qix "${loc/UTF-8/utf8}"; then
    need_locale+=("$loc")
  fi
done
if [ ${#need_locale[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing locales (${need_locale[*]}); run as root" >&2
    exit 1
  fi
  for loc in "${need_locale[@]}"; do
    line="$loc UTF-8"
    grep -qx "$line" /etc/locale.gen 2>/dev/null || echo "$line" >> /etc/locale.gen
  done
  locale-gen >/dev/null
fi

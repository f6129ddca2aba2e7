#!/usr/bin/env bash
# Installs every Debian package the build, the run and the tests need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build make g++ g++-multilib lib32z1-dev git
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev zlib1g-dev lzma-dev
  googletest
  wine wine32:i386 wine64
  xvfb xauth x11-utils imagemagick file
  fonts-nanum locales
  clang libclang-rt-14-dev
  nsis zip python3
)

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
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
  apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}"
  }
  # A mirror caught mid-sync can fail one index (say the security suite's
  # i386 list) while the others load; the install below still has a chance.
  # Multiarch libraries must then match across architectures, so when the
  # suites disagree, install from the release suite alone.
  if ! { dpkg --add-architecture i386 && { apt-get update -qq || true; } &&
         { apt_install || apt_install -t "$codename"; }; } >"$log" 2>&1; then
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

# Where the kernel cannot execute the 32-bit Wine loader, the tests run it
# through qemu-i386 (tools/wine32-ns.sh). Bookworm's own qemu-user 7.2 takes
# about a minute of CPU to start each Wine process, so take 10.x from
# bookworm-backports: downloaded through a private apt configuration and
# unpacked beside nothing else, so no apt source is added, no package is
# installed and nothing is registered with the system's binfmt_misc.
qemu_dir=${FLICKHOLD_QEMU_DIR:-/opt/flickhold-qemu}
qemu_usable() {
  "$qemu_dir/usr/bin/qemu-i386" --version 2>/dev/null | grep -Eq 'version (1[0-9]|[2-9][0-9])\.'
}
if { [ "${FLICKHOLD_ARCH:-}" = i686-qemu ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; } && ! qemu_usable; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: qemu-user 10 is missing in $qemu_dir; run as root" >&2
    exit 1
  fi
  echo "setup: fetching qemu-user from $codename-backports into $qemu_dir"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/lists/partial" "$work/archives/partial" "$work/parts"
  uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] ${uri:-http://deb.debian.org/debian} $codename-backports main" >"$work/sources.list"
  cat >"$work/apt.conf" <<CONF
Dir::Etc::SourceList "$work/sources.list";
Dir::Etc::SourceParts "$work/parts";
Dir::State::Lists "$work/lists";
Dir::Cache "$work";
APT::Architectures { "amd64"; };
CONF
  if ! { APT_CONFIG="$work/apt.conf" apt-get update -qq &&
         (cd "$work" && APT_CONFIG="$work/apt.conf" apt-get download -qq "qemu-user/$codename-backports") &&
         rm -rf "$qemu_dir.new" && dpkg-deb -x "$work"/qemu-user_*.deb "$qemu_dir.new" &&
         rm -rf "$qemu_dir" && mv "$qemu_dir.new" "$qemu_dir"; } >"$work/log" 2>&1 || ! qemu_usable; then
    tail -n 5 "$work/log" >&2
    echo "setup: could not fetch qemu-user 10 from $codename-backports" >&2
    exit 1
  fi
fi

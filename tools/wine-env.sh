# Sourced by the build scripts: the choice of Windows build, its build folder,
# the project-local Wine prefix, and one Xvfb and one persistent wineserver
# kept for a whole run, stopped by process id.

# Which Windows build the tests and the run command use, in this order:
# i686, the shipped one, where this machine executes the 32-bit Wine loader;
# i686 through qemu-i386 in a private namespace (tools/wine32-ns.sh) where
# it cannot; x86_64 (the same sources, under the 64-bit loader) where neither
# works. Decided by trying, once per run. FLICKHOLD_ARCH=i686 or x86_64 forces
# a build, i686-qemu the emulator. With "native" as the argument (the bench,
# which would time the emulator) the emulator is never chosen.
# Sets FLICKHOLD_ARCH (i686 or x86_64) and FLICKHOLD_WINE32_VIA (native or
# qemu, for i686); enter_windows_arch then moves the caller into the namespace.
FLICKHOLD_QEMU_I386=${FLICKHOLD_QEMU_DIR:-/opt/flickhold-qemu}/usr/bin/qemu-i386
FLICKHOLD_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wine32_native() {
  [ "${FLICKHOLD_WINE32_NS:-}" != 1 ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

wine32_emulated() {
  [ -x "$FLICKHOLD_QEMU_I386" ] &&
    bash "$FLICKHOLD_TOOLS/wine32-ns.sh" "$FLICKHOLD_QEMU_I386" /usr/lib/wine/wine --version >/dev/null 2>&1
}

select_windows_arch() {
  [ -n "${FLICKHOLD_ARCH_REASON:-}" ] && return 0
  local mode=${1:-any} reason via=
  case "${FLICKHOLD_ARCH:-}" in
    x86_64) reason="FLICKHOLD_ARCH=x86_64 asks for it" ;;
    i686-qemu)
      wine32_emulated || { echo "wine-env: FLICKHOLD_ARCH=i686-qemu, but qemu-i386 cannot run the 32-bit loader in a private namespace" >&2; return 1; }
      FLICKHOLD_ARCH=i686 via=qemu reason="FLICKHOLD_ARCH=i686-qemu asks for the emulator" ;;
    i686)
      if wine32_native; then
        via=native reason="FLICKHOLD_ARCH=i686 asks for it"
      elif [ "$mode" = any ] && wine32_emulated; then
        via=qemu reason="FLICKHOLD_ARCH=i686 asks for it and the kernel cannot execute the 32-bit loader"
      else
        echo "wine-env: FLICKHOLD_ARCH=i686, but the 32-bit Wine loader cannot run here" >&2
        return 1
      fi ;;
    "")
      if wine32_native; then
        FLICKHOLD_ARCH=i686 via=native reason="this machine executes the 32-bit Wine loader"
      elif [ "$mode" = any ] && wine32_emulated; then
        FLICKHOLD_ARCH=i686 via=qemu reason="the kernel cannot execute the 32-bit Wine loader, so qemu-i386 runs it in a private namespace"
      elif /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        FLICKHOLD_ARCH=x86_64
        if [ "$mode" = any ]; then
          reason="this machine can execute the 32-bit Wine loader neither itself nor through qemu-i386 in a private namespace"
        else
          reason="this machine cannot execute the 32-bit Wine loader, and timings under the emulator would measure the emulator"
        fi
      else
        echo "wine-env: no Wine loader can run here (neither /usr/lib/wine/wine nor /usr/lib/wine/wine64)" >&2
        return 1
      fi
      ;;
    *)
      echo "wine-env: FLICKHOLD_ARCH must be i686, i686-qemu or x86_64, not '$FLICKHOLD_ARCH'" >&2
      return 1
      ;;
  esac
  export FLICKHOLD_ARCH FLICKHOLD_WINE32_VIA=$via FLICKHOLD_ARCH_REASON=$reason
}

# Runs the calling script again inside the emulator's namespace when the
# choice needs it, so Xvfb, the wineserver and every Wine process start and
# end in there:   enter_windows_arch "$0" "$@"
enter_windows_arch() {
  if [ "${FLICKHOLD_WINE32_VIA:-}" = qemu ] && [ "${FLICKHOLD_WINE32_NS:-}" != 1 ]; then
    exec bash "$FLICKHOLD_TOOLS/wine32-ns.sh" "$FLICKHOLD_QEMU_I386" bash "$@"
  fi
}

# The one line a command prints about the build it runs.
describe_windows_arch() {
  local what=$1
  if [ "$FLICKHOLD_ARCH" = x86_64 ]; then
    echo "== $what the x86-64 test build under wine64: $FLICKHOLD_ARCH_REASON"
  elif [ "${FLICKHOLD_WINE32_VIA:-}" = qemu ]; then
    echo "== $what the 32-bit build under wine through qemu-i386: $FLICKHOLD_ARCH_REASON"
  else
    echo "== $what the 32-bit build under wine: $FLICKHOLD_ARCH_REASON"
  fi
}

# The build folder of an architecture: build/win holds the shipped 32-bit
# build, build/win64 the 64-bit test build.
windows_build_dir() {
  local root=$1 arch=$2
  local base=${FLICKHOLD_BUILD:-$root/build}
  if [ "$arch" = x86_64 ]; then echo "$base/win64"; else echo "$base/win"; fi
}

# The build folder that holds a built file.
build_dir_of() {
  local dir
  dir=$(dirname "$(readlink -f "$1")")
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  echo "$dir"
}

# The architecture a build folder was configured for.
build_arch() {
  if grep -q '^CMAKE_TOOLCHAIN_FILE:.*mingw-x86_64\.cmake$' "$1/CMakeCache.txt" 2>/dev/null; then
    echo x86_64
  else
    echo i686
  fi
}

configure_windows() {
  local root=$1 build=$2 arch=$3
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >/dev/null
}

# Installs what is missing, then configures and builds the given targets.
build_windows() {
  local root=$1 build=$2 arch=$3
  shift 3
  bash "$root/tools/setup.sh" || return 1
  configure_windows "$root" "$build" "$arch" || return 1
  cmake --build "$build" --target "$@"
}

# The Wine environment of a build folder; FLICKHOLD_WINE is the loader to run.
wine_env() {
  local build
  build=$(cd "$1" && pwd)
  export WINEPREFIX="$build/wineprefix"
  if [ "$(build_arch "$build")" = x86_64 ]; then
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
    FLICKHOLD_WINE=/usr/lib/wine/wine64
  else
    export WINEARCH=win32
    unset WINELOADER
    FLICKHOLD_WINE=wine
  fi
  export FLICKHOLD_WINE
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
  export LANG=ko_KR.UTF-8
  unset LC_ALL
}

# Starts Xvfb on a free display; sets DISPLAY and FLICKHOLD_XVFB_PID.
xvfb_start() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${FLICKHOLD_SCREEN:-1280x1024}x24" -nolisten tcp -noreset 3>"$fdfile" >/dev/null 2>&1 &
  FLICKHOLD_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    echo "wine-env: Xvfb did not start" >&2
    rm -f "$fdfile"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}

# Creates the prefix once (it lives in the build folder).
wine_prefix_init() {
  local made=0
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: creating the Wine prefix in $WINEPREFIX"
    "$FLICKHOLD_WINE" wineboot.exe -i >/dev/null 2>&1 || true
    # Without a window manager, Wine waits two seconds for every hidden
    # window to be withdrawn; unmanaged windows need no such wait.
    "$FLICKHOLD_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    made=1
  fi
  if [ ! -f "$WINEPREFIX/.no-crash-dialog" ]; then
    # A program that crashes prints its backtrace and ends. Wine's crash
    # dialog would wait for a click that never comes, holding the tests.
    "$FLICKHOLD_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.no-crash-dialog"
    made=1
  fi
  if [ $made = 1 ]; then timeout 120 wineserver -w || wineserver -k; fi
}

# Starts everything a run needs; wine_session_stop undoes it.
wine_session_start() {
  wine_env "$1"
  FLICKHOLD_XVFB_PID=
  if [ -z "${DISPLAY:-}" ] || [ "${FLICKHOLD_HEADLESS:-0}" = 1 ]; then
    xvfb_start || return 1
  fi
  wine_prefix_init
  wineserver -k >/dev/null 2>&1 || true
  wineserver -f -p >/dev/null 2>&1 &
  FLICKHOLD_WINESERVER_PID=$!
  # Start Wine's services now, with no terminal or pipe to hold on to.
  "$FLICKHOLD_WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_session_stop() {
  if [ -n "${FLICKHOLD_WINESERVER_PID:-}" ]; then
    # The server ends the prefix's processes (services, devices, desktop)
    # with itself; killed alone it would leave them behind.
    wineserver -k >/dev/null 2>&1 || true
    for _ in $(seq 1 50); do
      kill -0 "$FLICKHOLD_WINESERVER_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$FLICKHOLD_WINESERVER_PID" 2>/dev/null || true
    wait "$FLICKHOLD_WINESERVER_PID" 2>/dev/null || true
    FLICKHOLD_WINESERVER_PID=
  fi
  if [ -n "${FLICKHOLD_XVFB_PID:-}" ]; then
    kill "$FLICKHOLD_XVFB_PID" 2>/dev/null || true
    wait "$FLICKHOLD_XVFB_PID" 2>/dev/null || true
    FLICKHOLD_XVFB_PID=
  fi
}

# Ends a program started in the background by its process id.
stop_program() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# Sourced by the build scripts: the choice of Windows build, its build folder,
# the project-local Wine prefix, and one Xvfb and one persistent wineserver
# kept for a whole run, stopped by process id.

# Which Windows build the tests and the run command use: i686, the shipped
# one, where this machine can execute the 32-bit Wine loader; x86_64 (the
# same sources, under the 64-bit loader) where it cannot. Decided by trying
# the loader, once per run; FLICKHOLD_ARCH=i686 or x86_64 forces either.
select_windows_arch() {
  [ -n "${FLICKHOLD_ARCH_REASON:-}" ] && return 0
  local reason
  case "${FLICKHOLD_ARCH:-}" in
    i686 | x86_64) reason="FLICKHOLD_ARCH=$FLICKHOLD_ARCH asks for it" ;;
    "")
      if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        FLICKHOLD_ARCH=i686
        reason="this machine executes the 32-bit Wine loader"
      elif /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        FLICKHOLD_ARCH=x86_64
        reason="this machine cannot execute the 32-bit Wine loader"
      else
        echo "wine-env: no Wine loader can run here (neither /usr/lib/wine/wine nor /usr/lib/wine/wine64)" >&2
        return 1
      fi
      ;;
    *)
      echo "wine-env: FLICKHOLD_ARCH must be i686 or x86_64, not '$FLICKHOLD_ARCH'" >&2
      return 1
      ;;
  esac
  export FLICKHOLD_ARCH FLICKHOLD_ARCH_REASON=$reason
}

# The one line a command prints about the build it runs.
describe_windows_arch() {
  local what=$1
  if [ "$FLICKHOLD_ARCH" = x86_64 ]; then
    echo "== $what the x86-64 test build under wine64: $FLICKHOLD_ARCH_REASON"
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
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" >/dev/null 2>&1 &
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
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: creating the Wine prefix in $WINEPREFIX"
    "$FLICKHOLD_WINE" wineboot.exe -i >/dev/null 2>&1 || true
    # Without a window manager, Wine waits two seconds for every hidden
    # window to be withdrawn; unmanaged windows need no such wait.
    "$FLICKHOLD_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    timeout 120 wineserver -w || wineserver -k
  fi
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

# Sourced by the build scripts: the Windows build, the project-local Wine
# prefix, and one Xvfb and one persistent wineserver kept for a whole run,
# stopped by process id.

# Installs what is missing, then configures and builds the given targets.
build_windows() {
  local root=$1 build=$2
  shift 2
  bash "$root/tools/setup.sh" || return 1
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null || return 1
  cmake --build "$build" --target "$@"
}

wine_env() {
  local build
  build=$(cd "$1" && pwd)
  export WINEPREFIX="$build/wineprefix"
  export WINEARCH=win32
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
    wineboot -i >/dev/null 2>&1 || true
    # Without a window manager, Wine waits two seconds for every hidden
    # window to be withdrawn; unmanaged windows need no such wait.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
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
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_session_stop() {
  if [ -n "${FLICKHOLD_WINESERVER_PID:-}" ]; then
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

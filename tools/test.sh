#!/usr/bin/env bash
# Builds and runs every test: the core under the sanitizers with the host
# compiler, then the Windows build's tests under Wine.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FLICKHOLD_BUILD:-$root/build}

bash "$root/tools/setup.sh" || exit 1

cmake -S "$root" -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DFLICKHOLD_HOST_CORE=ON -DFLICKHOLD_SANITIZE=ON >/dev/null || exit 1
cmake --build "$build/host" || exit 1
cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null || exit 1
cmake --build "$build/win" || exit 1

status=0
echo "== core tests, host compiler with AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$build/host" && ctest --output-on-failure) || status=1

echo "== Windows tests under Wine"
# shellcheck source=wine-env.sh
. "$root/tools/wine-env.sh"
FLICKHOLD_HEADLESS=${FLICKHOLD_HEADLESS:-1}
export FLICKHOLD_HEADLESS
trap wine_session_stop EXIT
wine_session_start "$build/win" || exit 1
(cd "$build/win" && ctest --output-on-failure) || status=1
wine_session_stop
exit $status

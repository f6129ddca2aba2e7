#!/usr/bin/env bash
# Builds and runs every test: the core under the sanitizers with the host
# compiler, then the Windows build's tests under Wine (the 32-bit build where
# this machine can execute it, the 64-bit one where it cannot).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${FLICKHOLD_BUILD:-$root/build}
# shellcheck source=wine-env.sh
. "$root/tools/wine-env.sh"

bash "$root/tools/setup.sh" || exit 1
select_windows_arch || exit 1
enter_windows_arch "$0" "$@"
arch=$FLICKHOLD_ARCH
win=$(windows_build_dir "$root" "$arch")

cmake -S "$root" -B "$base/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DFLICKHOLD_HOST_CORE=ON -DFLICKHOLD_SANITIZE=ON >/dev/null || exit 1
cmake --build "$base/host" || exit 1
# The same core as 32-bit code, where this machine runs 32-bit programs (where
# it does not, the 32-bit Windows build's core tests under Wine cover it).
# Where they run only through qemu-i386 (inside the emulator's namespace), the
# sanitizers would take well over an hour there: that build goes without them,
# optimised, and says so.
host32=0
host32_dir=$base/host32
host32_flags=(-DCMAKE_BUILD_TYPE=Debug -DFLICKHOLD_SANITIZE=ON)
if [ "${FLICKHOLD_WINE32_VIA:-}" = qemu ]; then
  host32_dir=$base/host32-emulated
  host32_flags=(-DCMAKE_BUILD_TYPE=Release -DFLICKHOLD_SANITIZE=OFF)
fi
if echo 'int main() { return 0; }' | g++ -m32 -x c++ - -o "$base/m32-probe" 2>/dev/null && "$base/m32-probe"; then
  host32=1
  cmake -S "$root" -B "$host32_dir" -G Ninja -DFLICKHOLD_HOST_CORE=ON "${host32_flags[@]}" \
    -DFLICKHOLD_HOST_M32=ON >/dev/null || exit 1
  cmake --build "$host32_dir" || exit 1
fi
cmake -S "$root" -B "$base/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DFLICKHOLD_HOST_CORE=ON -DFLICKHOLD_FUZZ=ON >/dev/null || exit 1
cmake --build "$base/fuzz" || exit 1
configure_windows "$root" "$win" "$arch" || exit 1
cmake --build "$win" || exit 1

status=0
echo "== core tests, host compiler with AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$base/host" && ctest --output-on-failure) || status=1
if [ "$host32" = 1 ] && [ "${FLICKHOLD_WINE32_VIA:-}" = qemu ]; then
  echo "== core tests as 32-bit code through qemu-i386, optimised and WITHOUT the sanitizers: this machine runs 32-bit programs only through the emulator (the sanitized 32-bit run is kept for machines that run them natively)"
  (cd "$host32_dir" && ctest --output-on-failure) || status=1
elif [ "$host32" = 1 ]; then
  echo "== core tests as 32-bit code, with AddressSanitizer and UndefinedBehaviorSanitizer"
  (cd "$host32_dir" && ctest --output-on-failure) || status=1
else
  echo "== no 32-bit host tests: this machine does not run 32-bit programs (the Windows build's core tests are 32-bit)"
fi
echo "== fuzz targets, a fixed number of runs each from the seed corpus"
(cd "$base/fuzz" && ctest --output-on-failure) || status=1

describe_windows_arch "Windows tests of"
FLICKHOLD_HEADLESS=${FLICKHOLD_HEADLESS:-1}
export FLICKHOLD_HEADLESS
trap wine_session_stop EXIT
wine_session_start "$win" || exit 1
# A program that hangs fails its test instead of holding the run: they take a minute in all.
(cd "$win" && ctest --output-on-failure --timeout 600) || status=1
wine_session_stop
exit $status

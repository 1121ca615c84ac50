#!/usr/bin/env bash
# Cross-builds the Windows program, build-win/tempola.exe, with MinGW-w64,
# together with its pictures (beside it and in build-win/data/) and the
# Windows test programs that tests/wine_test.sh runs under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" cross

cmake -S "$root" -B "$root/build-win" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DTEMPOLA_WERROR="${TEMPOLA_WERROR:-OFF}" >/dev/null
cmake --build "$root/build-win" -j"$(nproc)"
echo "build-windows: $root/build-win/tempola.exe"

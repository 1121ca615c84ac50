#!/usr/bin/env bash
# Sets up, builds and runs every test: the fuzz targets for a short fixed
# count (clang, sanitizers), the Windows build, then the unit, GL,
# whole-program and packaging tests. Warnings are errors here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
bash "$root/scripts/setup.sh" test cross

cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DTEMPOLA_FUZZ=ON -DBUILD_TESTING=OFF -DTEMPOLA_BENCH=OFF -DTEMPOLA_WERROR=ON >/dev/null
cmake --build "$root/build-fuzz" -j"$jobs"
ctest --test-dir "$root/build-fuzz" --output-on-failure -L fuzz

# The Windows program, which tests/wine_test.sh runs under Wine.
TEMPOLA_WERROR=ON bash "$root/scripts/build-windows.sh"

cmake -S "$root" -B "$root/build" -DBUILD_TESTING=ON -DTEMPOLA_WERROR=ON >/dev/null
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

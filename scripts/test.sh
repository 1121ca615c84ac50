#!/usr/bin/env bash
# Sets up, builds and runs every test: the fuzz targets for a short fixed
# count (clang, sanitizers), then the unit, GL and whole-program tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
bash "$root/scripts/setup.sh"

cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DTEMPOLA_FUZZ=ON -DTEMPOLA_TESTS=OFF >/dev/null
cmake --build "$root/build-fuzz" -j"$jobs"
ctest --test-dir "$root/build-fuzz" --output-on-failure -L fuzz

# The Windows program, which tests/wine_test.sh runs under Wine.
bash "$root/scripts/build-windows.sh"

cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

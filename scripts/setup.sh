#!/usr/bin/env bash
# Installs the Debian packages that Tempola needs, by tier:
#   run    build and run the program (the default)
#   test   the run tier and what the tests, fuzz targets, benchmarks and
#          packaging checks use
#   cross  the Windows cross build and Wine to run it
# e.g. scripts/setup.sh test cross. Does nothing when everything is there.
set -euo pipefail

run_tier=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  libwayland-dev wayland-protocols libxcb-present-dev
  libsimdjson-dev
)
# GoogleTest for the unit tests; Google Benchmark and stb for bench/; clang
# and its runtime for the fuzz targets; FreeType and the DejaVu fonts for the
# font picture's tool; Xvfb (xvfb-run needs xauth), xdotool and a Wayland
# compositor (Weston, nested in Xvfb) for the whole-program tests; the rest for the install and package checks (CPack's
# package dependencies come from dpkg-shlibdeps, which it runs on what `file`
# calls ELF), and lintian, which judges the package as Debian would;
# matplotlib for the lab's plotting scripts; MangoHud, the peer whose frame
# limiter bench/limiter.sh holds ours against; dygraphs, which tempola-sim
# --report reads when it writes a page (the program runs without it), and
# Chromium to open those pages in the report test; valgrind, whose
# cachegrind counts the simulator's instructions (BENCHMARKS.md).
test_tier=(
  "${run_tier[@]}"
  libgtest-dev libbenchmark-dev libstb-dev
  clang libclang-rt-14-dev
  libfreetype-dev fonts-dejavu-core
  xvfb xauth xdotool weston
  desktop-file-utils appstream man-db dpkg-dev file lintian
  python3-matplotlib mangohud
  libjs-dygraphs chromium valgrind
)
cross_tier=(
  build-essential cmake
  g++-mingw-w64-x86-64 wine64 wine
)

usage() {
  echo "usage: $0 [run] [test] [cross]" >&2
  exit 2
}

[ $# -gt 0 ] || set -- run
packages=()
for tier in "$@"; do
  case $tier in
    run) packages+=("${run_tier[@]}") ;;
    test) packages+=("${test_tier[@]}") ;;
    cross) packages+=("${cross_tier[@]}") ;;
    *) usage ;;
  esac
done

# One query for all of them. Packages dpkg has never heard of are left out of
# its answer (and complained about on stderr), so anything not reported as
# installed is missing.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null |
  awk '$2 == "installed" { print $1 }' || true)
missing=()
declare -A seen=()
for p in "${packages[@]}"; do
  [ -z "${seen[$p]:-}" ] || continue
  seen[$p]=1
  if ! grep -qxF -- "$p" <<<"$installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null

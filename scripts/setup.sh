#!/usr/bin/env bash
# Installs the Debian packages Tempola needs to build, test and run.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  libgtest-dev libbenchmark-dev libstb-dev
  clang libclang-rt-14-dev
  libfreetype-dev fonts-dejavu-core
  xvfb xauth x11-utils xdotool
  g++-mingw-w64-x86-64 wine64 wine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
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

#!/usr/bin/env bash
# The simulator and the pacing engine stand apart from the live program:
# tempola-sim carries none of the live program's state, and the engine's
# files include nothing but each other and the standard library.
# Arguments: the tempola-sim binary, the source folder.
set -u
sim=$1
root=$2
fail() { echo "FAIL: $*"; exit 1; }

symbols=$(nm -C "$sim") || fail "nm could not read $sim"
for name in leftPacer rightPacer leftRule rightRule statusText frameSteps liveCadence liveDisplay \
  timeMs frameSeconds redrawNumber HostMain; do
  if grep -qE "[[:space:]]$name\$" <<<"$symbols"; then
    fail "tempola-sim carries the live program's $name"
  fi
done
echo "ok: tempola-sim holds none of the live program's globals"

# Quoted includes name engine files; angle includes name standard headers
# (no .h, or the C library's own).
bad=$(grep -hE '^#include' "$root"/pacing/*.h "$root"/pacing/*.cpp |
  grep -vE '^#include "pacing/[a-z_]+\.h"$' |
  grep -vE '^#include <[a-z_]+>$')
[ -z "$bad" ] || fail "the engine includes outside itself and the standard library: $bad"
# No mutable state at namespace scope: every variable outside a function is const.
state=$(grep -nE '^[A-Za-z_][A-Za-z_0-9:<>, ]* [a-z][A-Za-z0-9_]*(\[[^]]*\])? *(=|;)' "$root"/pacing/*.cpp |
  grep -vE ':(const|constexpr|static const|using|return)' || true)
[ -z "$state" ] || fail "the engine keeps state of its own: $state"
echo "ok: the engine includes only itself and the standard library, and keeps no state"

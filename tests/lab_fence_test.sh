#!/usr/bin/env bash
# The lab's rooms are fenced by the build: a file that the report's room
# compiles with its own include path cannot include the simulator's header.
# Arguments: the build folder.
set -u
build=$1
fail() { echo "FAIL: $*"; exit 1; }

out=$(cmake --build "$build" --target tempola_lab_report_fence_probe 2>&1)
if [ $? -eq 0 ]; then
  fail "a file of lab/report/ compiled with lab/sim/sim_run.h included"
fi
grep -q "lab/sim/sim_run.h" <<<"$out" || fail "the probe failed for another reason: $out"
echo "ok: the report's room cannot include the simulator's headers"

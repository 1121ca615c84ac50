# The frame of the benchmarks that run the built program round after round,
# in display servers of their own, and read its logs and figures lines
# afterwards (bench/motion.sh, bench/limiter.sh), or only the redraw rate in
# one X server (bench/cadence.sh, bench/redraw.sh). Sourced with the tools the
# benchmark needs and its own arguments (its own defaults filled in first,
# where they differ):
#
#   . bench/program_rounds.sh "TOOL..." [BUILD_DIR [ROUNDS [SECONDS]]]
#
# Sets root, build, rounds, seconds (build, 3, 5) and bin, the program;
# exits 2 when the program is not built, 77 (skipped) when a tool is missing.
# Inside a display server, rounds_inside readies the shell for the runs, and
# program_run runs one; rounds_in_xvfb makes that server an X one of its own.
program_rounds_name=$(basename "$0")
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${2:-$root/build}" && pwd) || exit 2
rounds=${3:-3}
seconds=${4:-5}
bin=$build/tempola
[ -x "$bin" ] || { echo "$program_rounds_name: no $bin (cmake --build $build --target tempola)" >&2; exit 2; }
for tool in $1; do
  command -v "$tool" >/dev/null ||
    { echo "$program_rounds_name: no $tool here (scripts/setup.sh test); skipped" >&2; exit 77; }
done

# Settings of their own, gone when the shell exits, so that the runs neither
# read nor change the user's; and the build's data folder, where the scene
# finds its pictures and font.
rounds_inside() {
  config=$(mktemp -d)
  trap 'rm -rf "$config"' EXIT
  export XDG_CONFIG_HOME=$config
  cd "$build/data" 2>/dev/null || cd "$build"
}

# Runs this benchmark again in an X server of its own, with its arguments
# resolved, then (there) readies the shell as rounds_inside does.
rounds_in_xvfb() {
  if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
    # -noreset: a server that resets as its last client leaves turns away whoever
    # connects next for a moment.
    exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$build" "$rounds" "$seconds"
  fi
  rounds_inside
  export SDL_VIDEODRIVER=x11
}

# The redraw rate on the figures line of a run whose stderr went to $config/err.
rate() { sed -n 's/.*[ ]rate=\([0-9.]*\).*/\1/p' "$config/err" | tail -1; }

# One run: name round [OPTIONS...], the program under "${wrap[@]}" (none
# unless set), its log and figures line kept as $out/name.round.csv and
# .stats.
wrap=()
program_run() {
  local name=$1 round=$2
  shift 2
  timeout -k 5 $((seconds + 60)) "${wrap[@]}" "$bin" -fullscreen=0 --seconds "$seconds" --stats \
    --log "$out/$name.$round.csv" "$@" 2>"$out/$name.$round.err"
  grep '^tempola-stats ' "$out/$name.$round.err" >"$out/$name.$round.stats" || {
    echo "$program_rounds_name: $name: no figures line" >&2
    sed 's/^/  /' "$out/$name.$round.err" >&2
    return 1
  }
}

# The frame of the benchmarks that run the built program round after round,
# in display servers of their own, and read its logs and figures lines
# afterwards (bench/motion.sh, bench/limiter.sh). Sourced with the tools the
# benchmark needs and its own arguments:
#
#   . bench/program_rounds.sh "TOOL..." [BUILD_DIR [ROUNDS [SECONDS]]]
#
# Sets root, build, rounds, seconds (build, 3, 5) and bin, the program;
# exits 2 when the program is not built, 77 (skipped) when a tool is missing.
# Inside a display server, rounds_inside readies the shell for the runs, and
# program_run runs one.
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

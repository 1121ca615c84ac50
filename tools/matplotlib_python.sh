# Sourced, by whatever draws with the plotting scripts: sets python to the
# first interpreter with matplotlib among $PYTHON, python3 and
# /usr/bin/python3, or to nothing when none of them has it.
python=
for candidate in "${PYTHON:-}" python3 /usr/bin/python3; do
  if [ -n "$candidate" ] && "$candidate" -c 'import matplotlib' 2>/dev/null; then
    python=$candidate
    break
  fi
done

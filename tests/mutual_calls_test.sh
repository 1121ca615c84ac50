#!/usr/bin/env bash
# No two files of the product call each other: read from the build's object
# files, a file needs another when it leaves undefined a symbol that the
# other defines (strongly), and no two may need each other. The tests',
# benchmarks', fuzzers' and tools' objects are left out, and so are objects
# whose source is gone (left behind in a build folder by a rename).
# Arguments: the nm program, the source folder, the build folder.
# Pairs in tests/mutual_calls_allowed.txt are let through, one "a b" a line.
set -u
nm=$1
root=$2
build=$3
fail() { echo "FAIL: $*"; exit 1; }

# Each object as "source object": CMake puts the object of <dir>/<file> of a
# target declared in <subdir> at <subdir>/CMakeFiles/<target>.dir/<file>.o,
# a file above <subdir> spelt with "__" for "..".
objects=$(cd "$build" && find . -path '*/CMakeFiles/*.dir/*' -name '*.o' | sort |
  sed -E 's|^\./||; s|^(.*/)?CMakeFiles/[^/]*\.dir/(.*)\.o$|\1\2 &|' |
  while read -r source object; do
    source=$(realpath -m --relative-to=. "$(sed 's|__/|../|g' <<<"$source")")
    case $source in tests/* | bench/* | fuzz/* | tools/* | ../*) continue ;; esac
    [ -f "$root/$source" ] || [ -f "$build/$source" ] || continue
    echo "$source $object"
  done)
[ -n "$objects" ] || fail "no object files of the product under $build"

# "U source symbol" for what a file needs, "D source symbol" for what it
# defines: text, data, read-only, BSS, small and common symbols, weak ones
# (inline functions, templates) being nobody's.
table=$(while read -r source object; do
  "$nm" -P "$build/$object" | awk -v s="$source" '
    $2 == "U" { print "U", s, $1 }
    $2 ~ /^[TDRBGSC]$/ { print "D", s, $1 }'
done <<<"$objects") || fail "$nm could not read the objects"

# "a b symbol" for each file a that needs a symbol b defines.
needs=$(awk '
  $1 == "D" { if (!(($3, $2) in seen)) { seen[$3, $2] = 1; definers[$3] = definers[$3] " " $2 } }
  $1 == "U" { wanted[++n] = $2 " " $3 }
  END {
    for (i = 1; i <= n; ++i) {
      split(wanted[i], w, " ")
      k = split(definers[w[2]], d, " ")
      for (j = 1; j <= k; ++j) if (d[j] != w[1]) print w[1], d[j], w[2]
    }
  }' <<<"$table" | sort -u -k1,2)

allowed=$root/tests/mutual_calls_allowed.txt
[ -f "$allowed" ] || allowed=/dev/null
pairs=$(awk -v allowed="$allowed" '
  FILENAME == allowed { if ($0 !~ /^[[:space:]]*(#|$)/) { ok[$1, $2] = 1; ok[$2, $1] = 1 }; next }
  { need[$1, $2] = $3 }
  END {
    for (key in need) {
      split(key, ab, SUBSEP)
      if (ab[1] < ab[2] && (ab[2], ab[1]) in need)
        print (((ab[1], ab[2]) in ok) ? "allowed" : "pair"), ab[1], ab[2], need[ab[1], ab[2]], need[ab[2], ab[1]]
    }
  }' "$allowed" - <<<"$needs" | sort)

demangled() { c++filt "$1" 2>/dev/null || echo "$1"; }
found=0
while read -r kind a b ab ba; do
  [ -n "$kind" ] || continue
  echo "$kind: $a needs $(demangled "$ab") from $b, which needs $(demangled "$ba") back"
  [ "$kind" = pair ] && found=$((found + 1))
done <<<"$pairs"
[ "$found" -eq 0 ] || fail "$found pair(s) of files call each other"
echo "ok: no two of $(wc -l <<<"$objects") product files call each other"

#!/usr/bin/env bash
# The Debian package: `cpack -G DEB` on the build folder gives one package
# whose control fields name its section and the libraries it needs, and which
# holds the program, its pictures, desktop entry, metainfo, icons and manual
# pages. Those pass their validators, and the program unpacked into a
# scratch root and started from another folder draws its textured rotors and
# overlay.
# Arguments: the tempola binary, the source folder, the build folder (a file
# inside the build folder does too: the folder holding CMakeCache.txt above
# it is taken). Exit code 77 when a tool it needs is missing.
set -u
. "$(dirname "$0")/installed_program.sh" 1100 \
  "cpack dpkg-deb dpkg-shlibdeps file desktop-file-validate appstreamcli man lintian" "$@"
[ -f "$build/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $build (at or above $3)"

# Into a folder of its own, so the build folder gets no package or staging tree.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack -G DEB"; }
debs=("$work"/package/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  cat "$work/cpack.log"
  fail "not one package: ${debs[*]}"
fi
deb=${debs[0]}
echo "ok: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tempola ] || fail "Package: $(field Package)"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
version=$(sed -n 's/^project(tempola VERSION \([0-9.]*\) .*/\1/p' "$2/CMakeLists.txt")
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project's $version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# From dpkg-shlibdeps (what the program links), and libgl1, which SDL opens
# at run time.
depends=$(field Depends)
for lib in libc6 libsdl2 libgl1; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
echo "ok: control fields (Depends: $depends)"

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents"
for f in $(installed_files ./usr/) ./usr/share/doc/tempola/changelog.gz; do
  grep -qxF "$f" "$work/contents" || fail "not in the package: $f"
done
echo "ok: contents"

# What Debian asks of a package: no errors, no warnings (informational tags
# are listed but allowed).
lintian --info "$deb" >"$work/lintian" 2>&1
if grep -qE '^[EW]: ' "$work/lintian"; then
  cat "$work/lintian"
  fail "lintian reports errors or warnings"
fi
echo "ok: lintian ($(grep -cE '^[IPX]: ' "$work/lintian") informational tags)"

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
desktop-file-validate "$root/usr/share/applications/tempola.desktop" || fail "desktop entry"
# The whole tree, so the metainfo's launchable must match the desktop entry.
appstreamcli validate-tree --no-net "$root" || fail "metainfo"
for page in "$root"/usr/share/man/man*/*; do
  MANWIDTH=80 man --warnings -l "$page" >"$work/page" 2>"$work/warnings"
  [ ! -s "$work/warnings" ] || { cat "$work/warnings"; fail "man warns about $(basename "$page")"; }
  grep -q '^NAME' "$work/page" || fail "no NAME section in $(basename "$page")"
done
for n in 16 32 48 64 128 256; do
  file -b "$root/usr/share/icons/hicolor/${n}x$n/apps/tempola.png" |
    grep -q "^PNG image data, $n x $n, 8-bit/color RGBA" || fail "icon ${n}x$n"
done
# The copyright file in the machine-readable format, naming the licence, and
# the versions that come from the project's.
head -1 "$root/usr/share/doc/tempola/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright is not machine-readable"
grep -qx 'License: Expat' "$root/usr/share/doc/tempola/copyright" || fail "copyright names no MIT licence"
zcat "$root/usr/share/doc/tempola/changelog.gz" | head -1 | grep -q "^tempola ($version) " ||
  fail "changelog's latest entry is not $version"
grep -q "<project_license>MIT</project_license>" \
  "$root/usr/share/metainfo/org.tempola.Tempola.metainfo.xml" || fail "metainfo names no licence"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.tempola.Tempola.metainfo.xml" ||
  fail "metainfo's release is not $version"
zcat "$root/usr/share/man/man6/tempola.6.gz" | head -1 | grep -q "\"Tempola $version\"" ||
  fail "the manual page is not of $version"
"$root/usr/bin/tempola" --version | grep -qx "tempola $version" || fail "tempola --version"
echo "ok: desktop entry, metainfo, manual pages, icons, copyright and versions"

mkdir -p "$work/elsewhere"
cd "$work/elsewhere"
picture "$root/usr/bin/tempola" "" "the unpacked program"
! grep -q 'not found' "$work/stderr" || fail "the unpacked program did not find its pictures"
echo "ok: the unpacked program draws its pictures"

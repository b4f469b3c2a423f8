#!/bin/sh
# Builds the Debian package from a build folder with CPack and checks what
# it depends on and what it installs.
#
#   debian.sh CPACK BUILDDIR OUTDIR
set -eu

cpack=$1
build=$2
out=$3

fail() {
    echo "debian: $*" >&2
    exit 1
}

rm -rf "$out"
mkdir -p "$out"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; fail "cpack failed"; }
set -- "$out"/horbelung_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "no single package in $out"
deb=$1

# The Qt runtime, the SVG plugins for the pictures, the archiver and a console.
depends=$(dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 arj xterm; do
    echo "$depends" | grep -qx "$package" || fail "does not depend on $package"
done

contents=$(dpkg-deb --contents "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
while read -r entry; do
    echo "$contents" | grep -qxF "$entry" || fail "does not install $entry"
done <<'ENTRIES'
./usr/bin/horbelung -> ../libexec/horbelung/horbelung
./usr/libexec/horbelung/horbelung
./usr/libexec/horbelung/horbelung-console
./usr/libexec/horbelung/scandisk.exe
./usr/share/applications/de.tarvik.horbelung.desktop
./usr/share/metainfo/de.tarvik.horbelung.metainfo.xml
./usr/share/icons/hicolor/16x16/apps/de.tarvik.horbelung.png
./usr/share/icons/hicolor/256x256/apps/de.tarvik.horbelung.png
./usr/share/icons/hicolor/scalable/apps/de.tarvik.horbelung.svg
ENTRIES
echo "$contents" | grep -q '^\./usr/libexec/horbelung/arj\.exe -> /' ||
    fail "arj.exe is not a link beside the executable"
echo "debian: $deb all right"

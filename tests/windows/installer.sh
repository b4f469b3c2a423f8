#!/bin/sh
# Builds the portable zip and the installer with CPack, checks what the zip
# holds (the archiver with its licence and sources too), installs silently
# with Wine in a scratch prefix, checks the installed programs (icon and
# version information included), the start-menu links (the program's must
# start it in the user's documents folder; hence the X server of xvfb-run)
# and the Add/Remove programs entry, then uninstalls silently and checks
# that all of it is gone.
#
#   onxvfb.sh installer.sh CPACK BUILDDIR OUTDIR VERSION
set -eu

cpack=$1
build=$2
out=$3
version=$4

fail() {
    echo "installer: $*" >&2
    exit 1
}

# Prints how long the command took.
timed() {
    label=$1
    shift
    started=$(date +%s)
    "$@"
    echo "installer: $label took $(($(date +%s) - started)) s"
}

rm -rf "$out"
mkdir -p "$out"
for generator in ZIP NSIS; do
    timed "cpack -G $generator" "$cpack" -G $generator --config "$build/CPackConfig.cmake" \
        -B "$out" || fail "cpack -G $generator failed"
done
zip=$out/horbelung-$version-win64.zip
setup=$out/horbelung-$version-win64.exe
[ -f "$zip" ] || fail "no $zip"
[ -f "$setup" ] || fail "no $setup"

# The portable zip: the programs, the archiver, the README and the terms
# in one folder, the archiver's licence and sources in quellen/arj/.
entries=$(unzip -Z1 "$zip")
for program in horbelung.exe horbelung-console.exe arj.exe scandisk.exe LIESMICH.txt LIZENZ.txt; do
    echo "$entries" | grep -qx "horbelung-$version-win64/$program" ||
        fail "the zip lacks $program"
done
arj_sources="COPYING copyright SHA256SUMS arj_3.10.22-26.dsc arj_3.10.22.orig.tar.gz
    arj_3.10.22-26.debian.tar.xz build.sh windows-arj debian-source patches/01-largeint.patch"
for file in $arj_sources; do
    echo "$entries" | grep -qx "horbelung-$version-win64/quellen/arj/$file" ||
        fail "the zip lacks quellen/arj/$file"
done
# As built: stripping would cut off what is joined to it.
unzip -p "$zip" "horbelung-$version-win64/arj.exe" | cmp -s - "$build/arj.exe" ||
    fail "the zip's arj.exe is not the one built"

export WINEPREFIX="$out/wineprefix"
export WINEDEBUG=-all
# Without the .NET and HTML engines, which a scratch prefix would offer to
# download.
export WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true' EXIT

timed "the silent install" sh -c 'wine "$1" /S && wineserver -w' sh "$setup" ||
    fail "the installer failed"

drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/Horbelung"
for file in horbelung.exe horbelung-console.exe scandisk.exe LIESMICH.txt LIZENZ.txt Uninstall.exe; do
    [ -f "$folder/$file" ] || fail "not installed: $folder/$file"
done
cmp -s "$folder/arj.exe" "$build/arj.exe" || fail "the installed arj.exe is not the one built"
(cd "$folder/quellen/arj" && sha256sum --quiet -c SHA256SUMS) ||
    fail "the installed sources of arj.exe do not match their checksums"
# The archiver runs: its banner and the short help, after its self-check.
banner=$(wine "$folder/arj.exe" </dev/null) || fail "the installed arj.exe failed"
echo "$banner" | grep -q '^ARJ32 v 3\.10' || fail "the installed arj.exe says: $banner"
echo "$banner" | grep -q 'Usage: *ARJ <command>' || fail "arj.exe shows no help: $banner"
grep -q '^### Installieren unter Windows' "$folder/LIESMICH.txt" ||
    fail "LIESMICH.txt is not the German README"

# A shell folder as the prefix's registry names it: ROOT NAME.
shell_folder() {
    wine reg query "$1\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" /v "$2" |
        tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
}
# The host path of a path on C:.
on_c() {
    printf '%s%s\n' "$drive_c" "$(printf '%s' "${1#C:}" | tr '\\' '/')"
}
# What a link starts, as two lines: its target (the link information's
# local path) and its working folder (MS-SHLLINK's layout).
link_fields() {
    python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], 'rb').read()
flags, = struct.unpack_from('<I', data, 0x14)
at = 0x4C
if flags & 0x01:  # the item ID list
    at += 2 + struct.unpack_from('<H', data, at)[0]
target = ''
if flags & 0x02:  # the link information
    size, _, _, _, local = struct.unpack_from('<5I', data, at)
    target = data[at + local:data.index(b'\0', at + local)].decode('cp1252')
    at += size
unicode = flags & 0x80
folder = ''
for flag in (0x04, 0x08, 0x10):  # name, relative path, working folder
    if flags & flag:
        count, = struct.unpack_from('<H', data, at)
        size = count * 2 if unicode else count
        text = data[at + 2:at + 2 + size].decode('utf-16-le' if unicode else 'cp1252')
        at += 2 + size
        if flag == 0x10:
            folder = text.rstrip('\0')
print(target)
print(folder)
EOF
}
# The program's link is in the start menu of the user who installed, the
# README's and the uninstaller's in the one for all users.
user_links=$(on_c "$(shell_folder HKCU Programs)")/Horbelung
common_links=$(on_c "$(shell_folder HKLM 'Common Programs')")/Horbelung
links=$(find "$drive_c" -path '*/Start Menu/Programs/Horbelung/*.lnk' | sort)
expected=$(printf '%s\n' "$user_links/Horbelung.lnk" "$common_links/Liesmich.lnk" \
    "$common_links/Uninstall.lnk" | sort)
[ "$links" = "$expected" ] || fail "the start menu holds: $links"
link=$user_links/Horbelung.lnk
fields=$(link_fields "$link")
documents=$(shell_folder HKCU Personal)
[ "$fields" = "C:\Program Files\Horbelung\horbelung.exe
$documents" ] || fail "Horbelung.lnk starts (target, working folder): $fields"
[ "$(link_fields "$common_links/Liesmich.lnk" | head -n 1)" = 'C:\Program Files\Horbelung\LIESMICH.txt' ] ||
    fail "Liesmich.lnk starts: $(link_fields "$common_links/Liesmich.lnk")"
# Its window comes up.
wine start "$(winepath -w "$link")"
tries=0
until xdotool search --onlyvisible --name '^Horbelung$' >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -le 60 ] || fail "the start-menu link started no window within 30 s"
    sleep 0.5
done
wineserver -k
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Horbelung'
wine reg query "$key" /v UninstallString | grep -qF 'C:\Program Files\Horbelung\Uninstall.exe' ||
    fail "no Add/Remove programs entry"

# The icon at every size and the version information, in what was installed.
for program in horbelung horbelung-console scandisk; do
    exe=$folder/$program.exe
    # (wrestool succeeds with no output where there is no resource.)
    wrestool -x -t group_icon "$exe" >"$out/$program.ico" 2>/dev/null
    sizes=$(icotool -l "$out/$program.ico" 2>/dev/null |
        sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | tr '\n' ' ')
    [ "$sizes" = "16 24 32 48 " ] || fail "$program.exe has icons of the sizes: $sizes"
    info=$(wrestool -x --raw -t version "$exe" 2>/dev/null | iconv -f UTF-16LE -t UTF-8 -c |
        tr -c '[:print:]' '\n')
    for entry in CompanyName Tarvik FileDescription Horbelung ProductName \
        FileVersion "$version" ProductVersion OriginalFilename "$program.exe" LegalCopyright; do
        echo "$info" | grep -qxF "$entry" || fail "$program.exe's version information lacks $entry"
    done
done

# The uninstaller copies itself to a temporary folder and exits at once.
timed "the silent uninstall" sh -c 'wine "$1" /S && wineserver -w' sh "$folder/Uninstall.exe" ||
    fail "the uninstaller failed"
[ ! -e "$folder" ] || fail "left behind: $(find "$folder")"
links=$(find "$drive_c" -path '*/Start Menu/Programs/Horbelung*')
[ -z "$links" ] || fail "left behind: $links"
! wine reg query "$key" >/dev/null 2>&1 || fail "the Add/Remove programs entry is left"
echo "installer: $setup all right"

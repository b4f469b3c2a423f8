#!/bin/sh
# arj.sh PREFIX ARJ.EXE HOST_ARJ WORK: the shipped arj.exe under Wine:
# archives exchanged with the Linux archiver in both directions (an umlaut
# in a name, a summer date, a folder with umlauts); the exit codes the
# program tells apart. (The backup over three floppies and its restore run
# through the program in tst_winbackup.) WORK is a scratch folder of the
# test's own.
set -eu
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
arj_exe=$2
host_arj=$3
work=$4
# A zone with daylight saving for both archivers: Wine takes its zone from
# TZ, and MSVCRT's localtime() reads this form of it too.
export TZ='CET-1CEST,M3.5.0,M10.5.0/3'

fail() {
    echo "arj: $*" >&2
    exit 1
}

# The test's own folder on C: holds the archiver and the folders archived
# and extracted.
folder=$WINEPREFIX/drive_c/ARJTEST
floppy=$WINEPREFIX/scratch_a
rm -rf "$work" "$folder"
mkdir -p "$work" "$folder/ZIEL" "$folder/QUELLE"
# No backup on A:, whose absence gives exit code 6.
rm -f "$floppy"/NOKUhobe.*
# Loading user32 starts a desktop process, here without a display; it
# would stay in the prefix and leave the later tests' windows no display.
trap 'wineserver -k 2>/dev/null || true' EXIT
cp "$arj_exe" "$folder/arj.exe"

# arj EXPECTED LOG ARGUMENT...: the Windows archiver, with
# no answers on its input.
arj() {
    expected=$1
    log=$work/$2.log
    shift 2
    status=0
    wine 'C:\ARJTEST\arj.exe' "$@" </dev/null >"$log" 2>&1 || status=$?
    [ "$status" -eq "$expected" ] ||
        fail "arj.exe $* ended with $status, not $expected: $(tr '\r' '\n' <"$log" | tail -n 5)"
}

# The exchange with the Linux archiver: NAME (as the Linux archiver stores
# it, in code page 850), NAME on Windows, modification time, contents.
files="
B\\201ro.mdb|Büro.mdb|2024-07-15 10:20:30|Sommer
Kl.mdb|Kl.mdb|2024-01-15 08:00:00|Winter
"
# The Linux archive goes to a folder with umlauts, which its argument
# names in the ANSI code page.
outer="$folder/Äußere Ebene"
mkdir -p "$work/linux" "$work/from-windows" "$outer"
printf "%s\n" "$files" | while IFS='|' read -r linux windows time contents; do
    [ -n "$linux" ] || continue
    linux=$(printf "$linux")
    printf '%s' "$contents" >"$work/linux/$linux"
    printf '%s' "$contents" >"$folder/QUELLE/$windows"
    touch -d "$time" "$work/linux/$linux" "$folder/QUELLE/$windows"
done
(cd "$work/linux" && "$host_arj" a ../linux.arj ./*.mdb -e -y >/dev/null) ||
    fail "the Linux archiver failed"
arj 0 from-linux x "Z:$work/linux.arj" 'C:\ARJTEST\Äußere Ebene\' -y
arj 0 to-linux a 'C:\ARJTEST\ZIEL\windows.arj' 'C:\ARJTEST\QUELLE\*.mdb' -e -y
(cd "$work/from-windows" && "$host_arj" x "$folder/ZIEL/windows.arj" -y >/dev/null) ||
    fail "the Linux archiver could not extract the Windows archive"
printf "%s\n" "$files" | while IFS='|' read -r linux windows time contents; do
    [ -n "$linux" ] || continue
    linux=$(printf "$linux")
    for pair in "$work/linux/$linux|$outer/$windows" \
        "$folder/QUELLE/$windows|$work/from-windows/$linux"; do
        made=${pair%|*}
        extracted=${pair#*|}
        cmp "$made" "$extracted" || fail "$extracted differs from $made"
        [ "$(stat -c %Y "$made")" -eq "$(stat -c %Y "$extracted")" ] ||
            fail "$extracted has the time $(stat -c %y "$extracted"), not $time"
    done
done

# Exit codes: nothing matched, archive missing.
arj 1 unmatched x 'C:\ARJTEST\ZIEL\windows.arj' 'C:\ARJTEST\ZIEL\' Fehlt.mdb -y
arj 6 missing x 'a:\NOKUhobe.arj' 'C:\ARJTEST\ZIEL\' -y
echo "arj: all right"

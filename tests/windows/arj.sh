#!/bin/sh
# arj.sh PREFIX ARJ.EXE HOST_ARJ WORK: the shipped arj.exe under Wine with
# the program's own lines: a backup of a 3.3 MB database to A: over three
# floppies (the test changes the floppy at each prompt and answers it),
# restored disk by disk; archives exchanged with the Linux archiver in both
# directions (an umlaut in a name, a summer date); the exit codes the
# program tells apart. WORK is a scratch folder of the test's own.
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

# The test's own folder on C: holds the archiver, the database folder and
# the folders restored to.
folder=$WINEPREFIX/drive_c/ARJTEST
floppy=$WINEPREFIX/scratch_a
rm -rf "$work" "$folder"
mkdir -p "$work/disks" "$folder/NOKRAT" "$folder/ZIEL" "$folder/QUELLE"
# Loading user32 starts a desktop process, here without a display; it
# would stay in the prefix and leave the later tests' windows no display.
trap 'rm -f "$floppy"/NOKUhobe.*; wineserver -k 2>/dev/null || true' EXIT
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

# Random data, so that nothing compresses and the volumes fill up.
python3 -c 'import random, sys; random.seed(23); sys.stdout.buffer.write(random.randbytes(3300000))' \
    >"$folder/NOKRAT/NOKRAT.mdb"

# The backup to A:. At each prompt the volume written is taken out of the
# drive, as a user changes the floppy, and the prompt answered.
prompt='Insert diskette with next volume ([0-9]*).  Enter "Y" when ready:'
answers=$work/answers
mkfifo "$answers"
wine 'C:\ARJTEST\arj.exe' a 'a:\NOKUhobe.arj' 'C:\ARJTEST\NOKRAT\*.mdb' -v1440 -e \
    <"$answers" >"$work/backup.log" 2>&1 &
pid=$!
exec 3>"$answers"
disk=1
ticks=0
while kill -0 "$pid" 2>/dev/null; do
    if [ "$(grep -o "$prompt" "$work/backup.log" | wc -l)" -ge "$disk" ]; then
        mkdir "$work/disks/$disk"
        mv "$floppy"/NOKUhobe.* "$work/disks/$disk/"
        disk=$((disk + 1))
        echo Y >&3
    fi
    ticks=$((ticks + 1))
    [ "$ticks" -le 600 ] && [ "$disk" -le 4 ] || { kill "$pid"; fail "the backup hangs at disk $disk"; }
    sleep 0.2
done
exec 3>&-
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "the backup ended with $status: $(tr '\r' '\n' <"$work/backup.log" | tail -n 5)"
prompts=$(grep -o "$prompt" "$work/backup.log" | wc -l)
[ "$prompts" -eq 2 ] || fail "$prompts prompts for three disks"
mkdir "$work/disks/$disk"
mv "$floppy"/NOKUhobe.* "$work/disks/$disk/"
volumes=$(cd "$work/disks" && find . -type f | sort | tr '\n' ' ')
[ "$volumes" = "./1/NOKUhobe.arj ./2/NOKUhobe.a01 ./3/NOKUhobe.a02 " ] ||
    fail "the disks hold: $volumes"
for volume in 1/NOKUhobe.arj 2/NOKUhobe.a01; do
    size=$(stat -c %s "$work/disks/$volume")
    [ "$size" -eq 1456400 ] || fail "$volume has $size bytes"
done

# The restore, one call per floppy naming that disk's volume.
for volume in 1/NOKUhobe.arj 2/NOKUhobe.a01 3/NOKUhobe.a02; do
    cp "$work/disks/$volume" "$floppy/"
    arj 0 restore x "a:\\${volume#*/}" 'C:\ARJTEST\ZIEL\' -y
    rm "$floppy/${volume#*/}"
done
cmp "$folder/NOKRAT/NOKRAT.mdb" "$folder/ZIEL/NOKRAT.mdb" || fail "the restore differs"

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

#!/bin/sh
# scandisk.sh PREFIX SCANDISK HOLDFILE: the disk checker under Wine on the
# prefix's A:, run as "Diskette jetzt prüfen" runs it and closed with Enter,
# one case per ending: a good disk (every file read, a hidden one too), a
# file another program holds open, a linked folder (Wine shows a host link
# to a folder as a reparse point), no disk, and a hard disk as A:.
set -eu
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
scandisk=$2
holdfile=$3
floppy=$WINEPREFIX/scratch_a
a=$WINEPREFIX/dosdevices/a:
drives='HKLM\Software\Wine\Drives'
work=$(mktemp -d)

fail() {
    echo "scandisk: $*" >&2
    exit 1
}

# The scratch floppy with only its mark, as the other tests expect it.
empty() {
    find "$floppy" -mindepth 1 -maxdepth 1 ! -name horbelung-sandbox -exec rm -rf {} +
}

cleanup() {
    touch "$work/done"
    wine reg delete "$drives" /v a: /f >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
    rm -f "$a"
    ln -s "$floppy" "$a"
    empty
    rm -rf "$work"
}
trap cleanup EXIT

# check CASE STATUS LINE...: the checker's exit status and whole lines of
# its output; its window always ends asking for Enter.
check() {
    name=$1
    status=$2
    shift 2
    got=0
    printf '\n' | wine "$scandisk" >"$work/raw" 2>/dev/null || got=$?
    tr -d '\r' <"$work/raw" >"$work/output"
    [ "$got" = "$status" ] || fail "$name: exit status $got, not $status: $(cat "$work/output")"
    [ "$(tail -n 1 "$work/output")" = "Fenster schließen: Eingabetaste" ] ||
        fail "$name: the window does not end asking for Enter: $(cat "$work/output")"
    for line in "$@"; do
        grep -qxF -- "$line" "$work/output" || fail "$name: no line \"$line\" in:
$(cat "$work/output")"
    done
    echo "scandisk: $name all right"
}

empty
mkdir -p "$floppy/DATEN"
head -c 3000000 /dev/urandom >"$floppy/NOKRAT.mdb"
head -c 1000 /dev/urandom >"$floppy/DATEN/Büro.mdb"
printf Hallo >"$floppy/DATEN/klein.txt"
printf geheim >"$floppy/DATEN/.versteckt"
# With the mark, five files.
all="Dateien: 5, zusammen 3.001.011 Bytes gelesen."

check "a good disk" 0 "$all" \
    "Dateisystem nicht geprüft: das erlaubt Windows nur Administratoren („chkdsk A:“ in einer Eingabeaufforderung als Administrator)." \
    "Ergebnis: Die Diskette ist in Ordnung."
grep -qx 'Frei: [0-9.]* Bytes\.' "$work/output" || fail "no free space in: $(cat "$work/output")"

wine "$holdfile" 'A:\NOKRAT.mdb' "Z:$work/ready" "Z:$work/done" &
tries=0
until [ -e "$work/ready" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "holdfile did not take A:\NOKRAT.mdb"
    sleep 0.1
done
check "a file held open" 1 "Dateien: 5, zusammen 1.011 Bytes gelesen." \
    "Nicht lesbar (1):" "  A:\NOKRAT.mdb – Datei ist gesperrt" \
    "Ergebnis: Die Diskette hat FEHLER – verwenden Sie eine andere Diskette."
touch "$work/done"
wait

ln -s DATEN "$floppy/Verknüpft"
check "a linked folder" 1 "$all" \
    "Nicht geprüft (1):" "  A:\Verknüpft – Verknüpfung auf einen Ordner, nicht gefolgt" \
    "Ergebnis: Die Diskette wurde nicht vollständig geprüft (siehe „Nicht geprüft“)."
rm "$floppy/Verknüpft"

rm "$a"
check "no disk" 1 "Laufwerk A: ist nicht bereit: keine Diskette eingelegt?"
ln -s "$floppy" "$a"

# Wine takes the drive's type from its registry when it starts anew.
wine reg add "$drives" /v a: /d hd /f >/dev/null
wineserver -k
check "a hard disk as A:" 1 \
    "Prüfung abgelehnt (Fehler 71): Laufwerk A: ist keine Diskette: es ist eine Festplatte oder ein als Laufwerk verbundener Ordner (SUBST)."

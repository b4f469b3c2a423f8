#!/bin/sh
# Starts the installed program in a sandbox on the X server of xvfb-run,
# once at scale 1 and once at scale 2, waits for its window and takes a
# screenshot each time: neither may be blank, and at scale 2 the window must
# be exactly twice as large (the twips layout kept, not re-flowed). Then a
# backup to A: as a user starts it, with a window manager giving the focus:
# the console must carry the run's title, end the archiver, show its summary
# (screenshot) and close on Enter.
#
#   onxvfb.sh smoke.sh PREFIX SHOTDIR
set -eu

prefix=$1
shotdir=$2

sandbox=$(mktemp -d)
pid=
wm=
cleanup() {
    status=$?
    for p in $pid $wm; do
        kill "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    rm -rf "$sandbox"
    exit "$status"
}
trap cleanup EXIT
. "$(dirname "$0")/smoke-lib.sh"

# Nothing of the user's: own home, data folder, Wine prefix and working
# directory (where hobe.ini would be).
mkdir -m 700 "$sandbox/home" "$sandbox/data" "$sandbox/wine" "$sandbox/work" "$sandbox/run"
export HOME="$sandbox/home" XDG_DATA_HOME="$sandbox/data" WINEPREFIX="$sandbox/wine"
export XDG_RUNTIME_DIR="$sandbox/run" QT_QPA_PLATFORM=xcb
unset QT_AUTO_SCREEN_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING

cd "$sandbox/work"

# The main window, by its class: Qt gives its 1x1 client leader the same name.
window_size() {
    xwininfo -root -tree 2>/dev/null |
        awk '/"Horbelung"\)/ { split($5, g, /[x+]/); print g[1], g[2]; exit }'
}

# run SCALE SHOT: starts the program, waits for a window on a screen with more
# than a few colours (the controls' text, pictures and panels, not just a
# background), sets width and height and ends the program.
run() {
    QT_SCALE_FACTOR=$1 "$prefix/bin/horbelung" &
    pid=$!
    colours=0
    tries=0
    while [ "$colours" -le 16 ]; do
        kill -0 "$pid" 2>/dev/null || fail "scale $1: the program ended before it drew its window"
        tries=$((tries + 1))
        [ "$tries" -le 120 ] || fail "scale $1: no window with content after 60 s"
        sleep 0.5
        size=$(window_size)
        [ -n "$size" ] || continue
        import -window root "$2"
        colours=$(identify -format %k "$2")
        size=$(window_size) # the size the screenshot shows
    done
    set -- "$1" "$2" $size
    width=$3
    height=$4
    echo "smoke: scale $1: window ${width}x${height}, $colours colours in $2"
    kill "$pid"
    wait "$pid" || true
    pid=
}

run 1 "$shotdir/smoke-scale1.png"
width1=$width
height1=$height
# The start-up made the sandbox prefix's drives.
[ -L "$WINEPREFIX/dosdevices/c:" ] || fail "no drive c: in the sandbox prefix"

run 2 "$shotdir/smoke-scale2.png"
[ "$width" -eq $((2 * width1)) ] && [ "$height" -eq $((2 * height1)) ] ||
    fail "at scale 2 the window is ${width}x${height}, not twice ${width1}x${height1}"

# The backup: row 1's database in its default folder C:\NOKRAT\.
mkdir -p "$WINEPREFIX/drive_c/NOKRAT"
head -c 200000 /dev/urandom >"$WINEPREFIX/drive_c/NOKRAT/NOKRAT.mdb"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
"$prefix/bin/horbelung" &
pid=$!
wait_for "main window" xdotool search --onlyvisible --name '^Horbelung$'
main=$(xdotool search --onlyvisible --name '^Horbelung$' | head -n 1)
# Nokrat's database folder typed on page 1; "Weiter" there and "Sicherung
# starten" on page 2 lie at the same place; the run wants the backup
# directory field filled even for a floppy.
sleep 1
xdotool mousemove --window "$main" 358 333 click 1 type 'C:\NOKRAT\'
xdotool mousemove --window "$main" 557 539 click 1
sleep 1
xdotool mousemove --window "$main" 450 358 click 1 type 'C:\SICH'
xdotool mousemove --window "$main" 557 539 click 1
# The box before a floppy backup: Enter answers it.
sleep 1
xdotool key Return
title="Horbelung – Sicherung Nokrat auf A:"
wait_for "console titled \"$title\"" xdotool search --onlyvisible --name "^$title\$"
console=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
wait_for "archive on A:" test -s "$WINEPREFIX/floppy_a/NOKUhobe.arj"
# The archiver has ended and the companion waits for Enter.
wait_for "end of the archiver" sh -c '! pgrep -x arj'
sleep 1
xdotool search --onlyvisible --name "^$title\$" >/dev/null || fail "backup: the console closed by itself"
import -window "$console" "$shotdir/console-backup.png"
colours=$(identify -format %k "$shotdir/console-backup.png")
[ "$colours" -ge 2 ] || fail "backup: the console's screenshot is blank"
echo "smoke: backup console, $colours colours in $shotdir/console-backup.png"
xdotool windowactivate --sync "$console" key Return
wait_for "console closed by Enter" sh -c "! xdotool search --onlyvisible --name '^$title\$'"

#!/bin/sh
# Starts horbelung.exe with Wine on the X server of xvfb-run, with a window
# manager, in the tests' prefix, as a user does: waits for its window, takes
# a screenshot of page 1, goes to page 2 by keyboard (Alt+W) and takes one
# of page 2. Neither may be blank, and the pages must differ.
#
#   onxvfb.sh smoke.sh PREFIX horbelung.exe SHOTDIR
set -eu

export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
program=$2
shotdir=$3

pid=
wm=
work=$(mktemp -d)
cleanup() {
    status=$?
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -z "$wm" ] || kill "$wm" 2>/dev/null || true
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
. "$(dirname "$0")/../gui/smoke-lib.sh"


# shot FILE: a screenshot of the screen with more than a few colours (the
# controls' text, pictures and panels, not just a background).
shot() {
    tries=0
    colours=0
    while [ "$colours" -le 16 ]; do
        tries=$((tries + 1))
        [ "$tries" -le 60 ] || fail "no content in $1 after 30 s"
        sleep 0.5
        import -window root "$1"
        colours=$(identify -format %k "$1")
    done
    echo "smoke: $colours colours in $1"
}

openbox >/dev/null 2>&1 &
wm=$!
cp "$program" "$WINEPREFIX/drive_c/TOOLS/"
# Started from a folder of its own, where hobe.ini would be; the offscreen
# platform the tests' prefix sets is overruled on the command line.
(cd "$work" && exec wine 'C:\TOOLS\horbelung.exe' -platform windows) &
pid=$!
wait_for "main window" xdotool search --onlyvisible --name '^Horbelung$'
main=$(xdotool search --onlyvisible --name '^Horbelung$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$main")"
echo "smoke: main window ${WIDTH}x${HEIGHT}"
shot "$shotdir/windows-page1.png"
xdotool windowactivate --sync "$main" key alt+w
sleep 2
shot "$shotdir/windows-page2.png"
[ "$(compare -metric AE "$shotdir/windows-page1.png" "$shotdir/windows-page2.png" null: 2>&1 || true)" != 0 ] ||
    fail "page 2 looks like page 1: Alt+W did not go on"

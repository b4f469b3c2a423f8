#!/bin/sh
# wine-run.sh PREFIX TEST.exe ARGUMENTS...: runs a Qt Test program with Wine
# in the tests' prefix, quietly, shows its log and exits with its status.
# With --install FOLDER first, the program and the files after it (up to
# "--") are copied to the folder of C: ("Program Files/Horbelung") and it
# runs from there, as an installed program does; what it started is ended
# with it.
set -eu
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
shift
# The test's own output to the console gets lost on its way out of Wine;
# its log file does not.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
if [ "$1" = "--install" ]; then
    folder=$2
    shift 2
    mkdir -p "$WINEPREFIX/drive_c/$folder"
    program=$(basename "$1")
    while [ "$1" != "--" ]; do
        cp "$1" "$WINEPREFIX/drive_c/$folder/"
        shift
    done
    shift
    wine "C:\\$(printf %s "$folder" | tr / '\\')\\$program" -o "Z:$log,txt" "$@" || status=$?
    wineserver -k || true
else
    program=$1
    shift
    wine "$program" -o "Z:$log,txt" "$@" || status=$?
fi
cat "$log"
exit $status

#!/bin/sh
# wine-run.sh PREFIX PROGRAM.exe ARGUMENTS...: runs a Windows program with
# Wine in the given prefix, quietly, and exits with its status.
set -eu
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
exec wine "$@"

#!/bin/sh
# Runs a command on a virtual X server of its own (xvfb-run).
# -noreset: the server would otherwise reset whenever its last client leaves
# (the accessibility bus launcher does so early), and a program connecting in
# that moment fails to start. The search for a free display starts at a
# number drawn from the process id, so test runs of several build folders at
# once seldom meet at the same display.
#
#   onxvfb.sh COMMAND ARGS...
exec xvfb-run -n $((200 + $$ % 700)) -a -s "-screen 0 1600x1280x24 -noreset" "$@"

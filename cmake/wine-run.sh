#!/bin/sh
# wine-run.sh WINE PROGRAM [ARGS...]: runs a Windows test program under Wine
# with its output passed through a file. A Wine process that the program
# caused to start (the desktop process, explorer.exe) can outlive it holding
# the program's output handles, and a reader of a pipe, such as CTest, would
# wait for that process to end too.
out=$(mktemp) || exit 1
"$@" >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status

#!/usr/bin/env bash
# displays.sh SESSION TEST-PROGRAM DISPLAY...: the Pace test on every display at once, in a Wine
# session; fails when any run does.
session=$1 program=$2
pids=()
for display in "${@:3}"; do
  NIMBREL_DISPLAY=$display "$(dirname "$0")/../tools/wine" "$session" "$program" --gtest_filter=Pace.* --gtest_brief=1 & pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status

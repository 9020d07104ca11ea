#!/usr/bin/env bash
# displays.sh SESSION PACE DISPLAY...: pace on every display at once, in a Wine session; fails when any run does.
session=$1 pace=$2
pids=()
for display in "${@:3}"; do
  "$(dirname "$0")/../tools/wine" "$session" "$pace" $display & pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status

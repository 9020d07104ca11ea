#!/usr/bin/env bash
# screenshots_test.sh BUILD-DIR: tools/screenshot draws the README's pictures from
# this build: two lit screens of the saver and the dialog.
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$(dirname "$0")/../../tools/screenshot" --built "$1" "$out" >/dev/null
for shot in saver saver-colours; do
  read -r width height mean < <(identify -format '%w %h %[fx:mean]\n' "$out/$shot.png")
  [[ "$width x $height" == "1024 x 768" ]] || { echo "$shot.png is $width x $height"; exit 1; }
  awk -v m="$mean" 'BEGIN { exit !(m > 0.02) }' || { echo "$shot.png is dark (mean $mean)"; exit 1; }
done
read -r width height < <(identify -format '%w %h\n' "$out/configure.png")
(( width > 400 && height > 400 )) || { echo "configure.png is $width x $height"; exit 1; }
echo "pictures drawn"

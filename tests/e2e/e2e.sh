#!/usr/bin/env bash
# The real nimbrel.scr on a Wine session's display, looked at with screenshots
# and ended with real X input.
#   e2e.sh SESSION-DIR SCR DESKTOP-TOOL CASE      CASE: saver, installer, monitors, display, pace or pane
set -uo pipefail
session=$1 scr=$2 desktop_tool=$3
source "$session/env"
shot="$session/$4.miff" saver=  # the last screenshot stays, for a failure
trap 'kill $saver 2>/dev/null' EXIT
settings='HKLM\SOFTWARE\Quillmora\Nimbrel_SS_1.0' own='HKCU\SOFTWARE\Quillmora\Nimbrel_SS_1.0'
desktop='HKCU\Control Panel\Desktop'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nimbrel'

tool=$(dirname "$0")/../../tools/wine
wine() { "$tool" "$session" "$@" >/dev/null 2>&1; }
fail() { echo "FAILED: $*; pointer at $(xdotool getmouselocation); last screenshot $shot"; exit 1; }
# wait_for SECONDS FAILURE COMMAND...: waits for the command to succeed.
wait_for() {
  local deadline=$((SECONDS + $1)) failure=$2
  until "${@:3}"; do ((SECONDS < deadline)) || fail "$failure"; sleep 0.05; done
}
# brightest X Y W H: the brightest channel, 0 to 255, in that part of the last screenshot.
brightest() { convert "$shot" -crop "$3x$4+$1+$2" +repage -format '%[fx:int(255*maxima)]' info:; }
# drawn LEFT TOP RIGHT BOTTOM: a screenshot shows that monitor lit in its middle and black in its corners.
drawn() {
  import -window root -depth 8 "$shot"
  (($(brightest $((($1 + $3) / 2 - 32)) $((($2 + $4) / 2 - 32)) 64 64) > 60)) || return 1
  for corner in "$(($1 + 4)) $(($2 + 4))" "$(($3 - 5)) $(($2 + 4))" "$(($1 + 4)) $(($4 - 5))" "$(($3 - 5)) $(($4 - 5))"; do
    (($(brightest $corner 1 1) == 0)) || return 1
  done
}
start() { wine "$scr" /s & saver=$!; }
ended() { ! kill -0 $saver 2>/dev/null; }
# ends WHAT: the saver ends with code 0 within 5 s.
ends() { wait_for 5 "$1 did not end the saver" ended && wait $saver || fail "the saver ended with code $?"; }

# Wine warps the X pointer only when its own idea of the position changes, so X moves first.
cursor_at_centre() { xdotool mousemove 512 384 && wine "$desktop_tool" cursor 512 384 && xdotool getmouselocation | grep -q "x:512 y:384 "; }

saver() {
  for end in "mousemove 515 382" "click 1" "click 4" "key Escape"; do  # 4: the wheel
    # Wine and X must agree on where the cursor starts; a warp of the pointer can be lost.
    wait_for 10 "the cursor would not stay at the centre" cursor_at_centre
    start
    wait_for 10 "the middle of the screen was never lit with its corners black" drawn 0 0 1024 768
    if [[ $end == mousemove* ]]; then
      for to in "514 386" "508 384" "515 383" "511 387"; do xdotool mousemove $to; done  # 4 pixels in all
      watched=$((SECONDS + 1))
      while ((SECONDS <= watched)); do ! ended || fail "a jitter of 4 pixels ended the saver"; sleep 0.05; done
    fi
    xdotool $end
    ends "$end"
  done
}

both_drawn() { drawn 0 0 640 480 && drawn 640 0 1440 600; }

# store NAME:DWORD...: settings for everyone.
store() { for value in "$@"; do wine reg add "$settings" /v "${value%%:*}" /t REG_DWORD /d $((${value#*:})) /f; done; }
# One white halo 60 pixels across at the middle of each monitor.
one_halo() { store PointCount:1 Spread:0 Sizing:2 Size_Max:0x42700000 SCol_R:0x3F800000 SCol_G:0x3F800000 SCol_B:0x3F800000; }

monitors() {  # on a display of two screens, 640 x 480 and 800 x 600 side by side
  one_halo
  start
  wait_for 10 "each monitor should show a halo in its middle and black in its corners" both_drawn
  xdotool key Escape
  ends Escape
}

# The screen as it is now, and dark where the middle of the screen was before.
redrawn() { drawn 0 0 800 600 && (($(brightest 480 352 64 64) == 0)); }

display() {  # on a display of 1024 x 768 that a Windows program can make 800 x 600
  # As the session may still be from the last run, which left it at 800 x 600.
  wine "$desktop_tool" display 1024 768 || fail "the display mode could not be set"
  one_halo
  start
  wait_for 10 "the middle of the screen was never lit with its corners black" drawn 0 0 1024 768
  wine "$desktop_tool" display 800 600 || fail "the display mode could not be changed"
  wait_for 10 "the saver did not follow the display to 800 x 600" redrawn
  ! ended || fail "a change of the display ended the saver"
  xdotool key Escape
  ends Escape
}

# halo: the time, and the direction and distance in pixels of the lit pixels' centre from the
# middle of the 640 x 480 screen.
halo() {
  local before=$EPOCHREALTIME
  import -window root -depth 8 "$shot"
  identify -verbose -moments "$shot" | awk -F'[:,]' -v t="$before" -v now="$EPOCHREALTIME" \
    '/Centroid/ { x = $2 - 320; y = $3 - 240; printf "%.6f %f %f\n", (t + now) / 2, atan2(y, x) * 57.2958, sqrt(x * x + y * y); exit }'
}

lit() { import -window root -depth 8 "$shot" && (($(brightest 0 0 640 480) > 60)); }

pace() {  # on a display of a real refresh, slower or faster than the ticks
  # One white halo off the middle, turning a degree a tick about it, and nothing else moving.
  one_halo
  store Spread:0x40000000 Anim_Rotating:0 Anim_R:0 Anim_G:0 Anim_RotZ:1 RotZ:0x3F000000
  for attempt in 1 2 3; do  # a new cloud each time, in case its halo lies at the middle
    start
    wait_for 10 "the saver never showed its halo" lit
    read -r t0 a0 r0 < <(halo)
    sleep 3  # the span over which the turn is measured
    read -r t1 a1 _ < <(halo)
    xdotool key Escape
    ends Escape
    if awk -v r="$r0" 'BEGIN { exit !(r > 30) }'; then
      turn=$(awk -v t0="$t0" -v t1="$t1" -v a0="$a0" -v a1="$a1" 'BEGIN { d = a1 - a0; d -= 360 * int((d + 540) / 360 - 1); print (d < 0 ? -d : d) / (t1 - t0) }')
      awk -v t="$turn" 'BEGIN { exit !(t > 36 && t < 44) }' || fail "the cloud turned $turn degrees a second, not 40"
      return
    fi
    sleep 1  # the cloud is seeded by the second
  done
  fail "three clouds with their halo at the middle"
}

caption='Configuration of Nimbrel ScreenSaver v1.0' hud="$session/hud"
# control ID: the left, top, right and bottom on the screen of the dialog's control, and its handle.
control() { "$tool" "$session" "$desktop_tool" control "$caption" "$1" | tr -d '\r'; }
# The pane's picture, from the preview's own X window, since X draws it apart from the dialog.
pane_shot() { local id; id=$(xwininfo -root -tree | awk '/\(has no name\): \(\)  [0-9][0-9][0-9]x[0-9][0-9][0-9]\+0\+0/ { print $1; exit }') && [[ -n $id ]] && import -window "$id" -depth 8 "$1"; }
# pane_lit BLUE: the pane lit, with blue of more than a quarter (1) or none at all (0).
pane_lit() { pane_shot "$shot" && [[ $(convert "$shot" -format '%[fx:maxima.r > 0.25] %[fx:maxima.b > 0.25] %[fx:maxima.b > 0]' info:) == "1 $1 $1" ]]; }
same_as() { pane_shot "$shot" && [[ $(compare -metric AE "$1" "$shot" null: 2>&1) == 0 ]]; }
# The preview has ended; one that no one has reaped yet is a zombie.
gone() { [[ ! -e /proc/$preview || $(awk '{ print $3 }' "/proc/$preview/stat" 2>/dev/null) == Z ]]; }
# Mesa counts the preview's frames from outside it: a line each quarter of a second that has any.
frames() { cat "$hud/fps" 2>/dev/null | wc -l; }
resting() { local start; start=$(frames) && sleep 0.75 && (($(frames) == start)); }
drawing() { local start; start=$(frames) && sleep 0.5 && (($(frames) > start)); }
dialog_open() {
  mkdir -p "$hud"
  GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_PERIOD=0.25 GALLIUM_HUD_DUMP_DIR="$hud" wine "$scr" /c & saver=$!
  wait_for 10 "the dialog did not open" eval "control 1 >/dev/null"
}

pane() {  # the configuration dialog's pane, moved by real input
  # Halos of red and green, not blue, and nothing that moves: a picture that stays.
  one_halo
  store PointCount:40 Spread:0x3F800000 SCol_B:0 Anim_R:0 Anim_G:0 Anim_B:0 Anim_Rotating:0 Anim_RotX:0 Anim_RotY:0 Anim_RotZ:0
  before=$("$tool" "$session" reg query "$settings" /s 2>&1)
  dialog_open
  wait_for 10 "the pane did not show the halos without blue" pane_lit 0
  # The secondary blue's thumb, at the left end, dragged to the right: the pane follows before the button goes up.
  read -r -a blue_slider < <(control 1011)
  xdotool mousemove $((blue_slider[0] + 9)) $(((blue_slider[1] + blue_slider[3]) / 2)) mousedown 1 \
    mousemove $((blue_slider[0] + 40)) $(((blue_slider[1] + blue_slider[3]) / 2)) mousemove $((blue_slider[2] + 20)) $(((blue_slider[1] + blue_slider[3]) / 2))
  wait_for 5 "dragging the secondary blue up did not turn the halos blue" pane_lit 1
  xdotool mouseup 1
  # The spread there and back by its keys: another cloud, then the same picture again.
  read -r -a spread_slider < <(control 1029)
  xdotool mousemove $((spread_slider[0] + 9 + (spread_slider[2] - spread_slider[0] - 18) / 5)) $(((spread_slider[1] + spread_slider[3]) / 2)) click 1
  wait_for 5 "the pane never held still" eval 'pane_shot "$session/still.miff" && same_as "$session/still.miff"'
  xdotool key Right Right Right
  wait_for 5 "a wider spread did not change the picture" eval '! same_as "$session/still.miff"'
  xdotool key Left Left Left
  wait_for 5 "the spread back did not give back the picture" same_as "$session/still.miff"
  # A minimised dialog's pane draws nothing until the dialog is back.
  preview=$(pgrep -f "nimbrel.scr /p $(control 1040 | cut -d ' ' -f 5)\$")
  "$tool" "$session" "$desktop_tool" show "$caption" 6  # SW_MINIMIZE
  wait_for 5 "the minimised dialog's pane went on drawing" resting
  "$tool" "$session" "$desktop_tool" show "$caption" 9  # SW_RESTORE
  wait_for 5 "the pane did not draw again" drawing
  xdotool key Escape
  ends Escape
  [[ $("$tool" "$session" reg query "$settings" /s 2>&1) == "$before" ]] || fail "Cancel changed the settings"
  # Wine's own part of a process may take a moment to go after Windows' has ended.
  wait_for 2 "the preview outlived its dialog" gone
  # A tick box shows at once too: the blue drift. Nor does the preview outlive a dialog that is killed, which closes no window.
  dialog_open
  wait_for 10 "the pane did not show the halos without blue" pane_lit 0  # the dialog is up before the click
  xdotool mousemove $(control 1033 | awk '{ print int(($1 + $3) / 2), int(($2 + $4) / 2) }') click 1
  wait_for 10 "ticking the blue drift did not turn the halos blue" pane_lit 1
  wait_for 10 "the pane's preview did not start" eval 'preview=$(pgrep -f "nimbrel.scr /p $(control 1040 | cut -d " " -f 5)\$")'
  pkill -f 'nimbrel\.scr /c$'
  wait_for 5 "the preview outlived its killed dialog" gone
}

installed="$WINEPREFIX/drive_c/windows/system32/nimbrel.scr" blank='C:\windows\system32\scrnsave.scr'
other='HKU\S-1-5-21-0-0-0-1001\Control Panel\Desktop'  # a second user's loaded profile
# removed: the saver and its entry are gone, and so is every uninstaller process.
removed() { [[ ! -e $installed ]] && ! wine reg query "$entry" && ! pgrep -f 'Nimbrel.uninstall\.exe|Temp.~nsu'; }
# chosen NAME [KEY]: the value NAME of the user's desktop settings, or of KEY, or nothing.
chosen() { "$tool" "$session" reg query "${2:-$desktop}" /v "$1" 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
# entries: how many entries Programs and Features lists for Nimbrel.
entries() { "$tool" "$session" reg query "${entry%\\*}" /s | grep -c 'DisplayName.*Nimbrel'; }
# as WHO COMMAND-LINE: runs it through desktop.exe run or user, with the processes that it starts in $session/processes.
as() { WINEDEBUG=+process "$tool" "$session" "$desktop_tool" "$@" >/dev/null 2>"$session/processes"; }

installer() {
  local dir=Z:$(dirname "$(dirname "$scr")" | tr / '\\') quiet last
  local setup=$dir\\nimbrel-setup.exe msi=$dir\\nimbrel-1.0-x64.msi
  # An administrator does the machine's part in the same process; one whom UAC has yet to elevate starts it elevated.
  for who in run user; do
    wine reg add "$desktop" /v ScreenSaveActive /d 0 /f && wine reg delete "$desktop" /v SCRNSAVE.EXE /f
    if [[ $who == user ]]; then options=/SETSAVER expected='C:\windows\system32\nimbrel.scr 1'; else options= expected=' 0'; fi
    as $who "$setup /S $options" || fail "the installer failed"
    cmp -s "$installed" "$scr" && (($(entries) == 1)) || fail "the installer did not install the saver built, with one entry"
    [[ "$(chosen SCRNSAVE.EXE) $(chosen ScreenSaveActive)" == "$expected" ]] ||
      fail "only /SETSAVER makes Nimbrel the screen saver, and active at once"
    store PointCount:77
    wine reg add "$own" /v PointCount /t REG_DWORD /d 78 /f && wine reg add "$other" /v SCRNSAVE.EXE /d 'C:\WINDOWS\System32\NIMBREL.SCR' /f
    quiet=$(chosen QuietUninstallString "$entry")
    # A running saver's file cannot be deleted: the quiet uninstall waits for its part as an administrator, and fails.
    coproc holder { exec "$tool" "$session" "$desktop_tool" hold 'C:\windows\system32\nimbrel.scr'; }
    read -r -u "${holder[0]}" && ! as $who "$quiet" || fail "a failed quiet uninstall reported success"
    exec {holder[1]}>&- && wait $holder_PID || fail "the saver's file was not held to the end"
    [[ -e $installed ]] || fail "a failed uninstall removed the saver"
    [[ $(chosen SCRNSAVE.EXE "$other") == *NIMBREL.SCR ]] || fail "a failed uninstall unchose the saver: $(chosen SCRNSAVE.EXE "$other")"
    # Started by hand, the uninstaller runs from a copy in %TEMP%, which hands over to the installed one and ends first.
    as $who "${quiet% _\?=*}" && wait_for 20 "the uninstaller did not remove the saver and its entry" removed
    # The last uninstaller started does the machine's part: elevated from the install folder, never from %TEMP%.
    last=$(grep -o 'image L".*_?=' "$session/processes" | tail -1)
    [[ $last == 'image L"C:\\Program Files\\Nimbrel\\uninstall.exe"'* && ($who == run || $last == *' /MACHINE '*) ]] ||
      fail "the uninstall's part as an administrator ran as: $last"
    ! wine reg query "$settings" && ! wine reg query "$own" || fail "the uninstaller left the settings behind"
    # Every user whose saver was Nimbrel keeps a saver, and so the lock on resume.
    [[ $(chosen SCRNSAVE.EXE "$other") == "$blank" && $(chosen ScreenSaveActive) == "${expected: -1}" ]] &&
      [[ -z $options || $(chosen SCRNSAVE.EXE) == "$blank" ]] || fail "a choice of Nimbrel did not become Windows' blank saver alone"
  done
  # A folder in the saver's place makes the part as an administrator fail.
  mkdir "$installed"
  ! as user "$setup /S /SETSAVER" || fail "a failed install reported success"
  [[ $(chosen SCRNSAVE.EXE) == "$blank" ]] && ! wine reg query "$entry" || fail "a failed install chose or registered a saver"
  rmdir "$installed"
  # The MSI brings the saver and its entry, and takes them away with the settings; the two installers never stack.
  wine msiexec /i "$msi" /qn && cmp -s "$installed" "$scr" || fail "the MSI did not install the saver built"
  ! as run "$setup /S" && (($(entries) == 1)) || fail "the setup program installed over the MSI"
  store PointCount:77
  wine msiexec /x "$msi" /qn && [[ ! -e $installed ]] && (($(entries) == 0)) && ! wine reg query "$settings" ||
    fail "removing the MSI left the saver, its entry or the settings behind"
  as run "$setup /S" && ! wine msiexec /i "$msi" /qn && (($(entries) == 1)) || fail "the MSI installed over the setup program"
  as run "$(chosen QuietUninstallString "$entry")" && removed || fail "the setup program's install was not removed"
}

$4
echo "passed: $4"

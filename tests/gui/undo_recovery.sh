#!/usr/bin/env bash
# Undo and crash recovery through the real window on a private X server: record three notes and
# paint slots with a mouse drag, press Ctrl+Z until the title says the song is its file again;
# then type two notes, wait for an autosave, kill the program outright, start it again, choose
# Recover, save, and check that the saved file holds the two notes.
#   usage: undo_recovery.sh <tarvel> <demo.trv> <artifact-dir>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
require_tools Xvfb xdotool import zcat od
run_on_private_x "$0" "$@"
tarvel=$(realpath "$1")
demo=$(realpath "$2")
start_session undo_recovery "$(realpath -m "$3")" '[Recovery]\nAutosaveSeconds=2'
no_sound_devices
recovery="$XDG_DATA_HOME/tarvel/recovery"
title_is() { xdotool getwindowname "$window" 2>/dev/null | grep -qx "$1"; }

cp "$demo" "$work/demo.trv"
open_window '^demo.trv - Tarvel$' "$work/demo.trv"
# Record three notes, then paint slots: the first click gives the sequencer the keyboard, the
# drag paints.
xdotool key --delay 100 space q w e
xdotool mousemove --window "$window" 420 300 click 1 sleep 0.2 mousedown 1
for x in 440 470 500 530; do
  xdotool mousemove --window "$window" "$x" 320 sleep 0.05
done
xdotool mouseup 1

# Three notes and one drag are four steps: three undos leave a change, the fourth takes the song
# back to its file. (That an undone song is the one before byte for byte is the core undo test's.)
xdotool key --delay 300 ctrl+z ctrl+z ctrl+z
title_is 'demo.trv\* - Tarvel' || fail "three undos took back all four edits"
xdotool key ctrl+z
wait_for 20 title_is 'demo.trv - Tarvel' || fail "four undos did not take the song back to its file"
# Undone back to the file, the song needs no autosave: the one of the edits goes at the next
# tick, and only then can the wait below see the notes typed next.
wait_for 100 sh -c "! ls '$recovery'/$tarvel_pid-*.trv" || fail "the undone edits' autosave stays"

# Type two notes into the pattern from its first line (a click there gives it the keyboard back
# and puts the cursor under the mouse), wait for the autosave and kill the program outright.
xdotool mousemove --window "$window" 30 $(($(view_top) + 24 + 6)) click 1
sleep 0.2
xdotool key --delay 100 q w
# The program's own set is named "<pid>-<random>".
wait_for 100 sh -c "ls '$recovery'/$tarvel_pid-*.trv" || fail "no autosave was written"
sleep 2.5  # a tick more: the first may have come between the two notes
kill -9 "$tarvel_pid"
wait "$tarvel_pid" 2>/dev/null || true

# Start again: the question's default button is Recover; Return closes every box.
open_window '^demo.trv\* - Tarvel$'
import -window root "$artifacts/undo_recovery.png"
save_with_ctrl_s "$work/demo.trv"
quit_from_menu
# (That nothing of the recovery is left after the clean exit is the recovery tests'.)

expect_rising_notes "$work/demo.trv" 2
echo "undo and recovery: edits undone to the file; a killed session's notes recovered and saved"

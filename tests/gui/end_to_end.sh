#!/usr/bin/env bash
# A musician's session, end to end: the real program on a private X server, playing into a
# private JACK server that jack_midi_dump listens to. It opens the demo song, closes the about
# box with a key press, plays with F5 and checks that notes arrive; then it records three notes
# from the keyboard, clicks twice into the sequencer without a move between, saves with Ctrl+S,
# quits from the File menu, and checks that the saved file holds those notes and the one slot the
# clicks painted.
#   usage: end_to_end.sh <tarvel> <demo.trv> <artifact-dir>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
require_tools Xvfb xdotool jackd jack_midi_dump jack_lsp import zcat od cmp
run_on_private_x "$0" "$@"
tarvel=$(realpath "$1")
demo=$(realpath "$2")
# The built-in synth would take JACK's audio and be device 0: a SoundFont that is not there keeps
# it out, so the song's notes go to jack_midi_dump, the only MIDI input on this private server.
start_session end_to_end "$(realpath -m "$3")" '[Midi]\nSoundFont=/nonexistent.sf2'
export JACK_DEFAULT_SERVER="tarvel-e2e-$$"
no_sound_devices
# The notes still sounding at the monitor: note-ons less their note-offs, per channel and note.
sounding_notes() {
  awk '$2 ~ /^[89][0-9a-f]$/ && NF >= 4 {
         key = substr($2, 2) " " $3
         if (substr($2, 1, 1) == "9" && $4 != "00") on[key]++
         else if (on[key] > 0) on[key]--
       }
       END { for (key in on) if (on[key] > 0) n++; print n + 0 }' "$work/dump.txt"
}

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
wait_for 100 sh -c "jack_lsp | grep -qx system:playback_1" || fail "jackd did not start"
jack_midi_dump -a >"$work/dump.txt" 2>/dev/null &
pids+=($!)
wait_for 100 sh -c "jack_lsp | grep -qx midi-monitor:input" || fail "jack_midi_dump did not start"

cp "$demo" "$work/demo.trv"
open_window '^demo.trv - Tarvel$' "$work/demo.trv"

# Play the song and listen; after Stop nothing sounds.
xdotool key F5
note_on='^ *[0-9]+: 9[0-9a-f] '
wait_for 100 grep -qE "$note_on" "$work/dump.txt" || fail "no note-on reached jack_midi_dump"
sleep 1
xdotool key F8
echo "note-ons received while playing: $(grep -cE "$note_on" "$work/dump.txt")"
sleep 0.5
[ "$(sounding_notes)" -eq 0 ] || fail "$(sounding_notes) notes still sound after Stop"

# Record C-5, D-5, E-5 into the first lines of track 0 of the current pattern, as fast as a
# quick typist.
xdotool key --delay 100 space q w e
sleep 0.5
import -window root "$artifacts/end_to_end.png"

# The first click into the sequencer only gives it the keyboard; a second one without a move
# paints the current pattern (0) into the slot under the mouse: column 14 on line 10, row 160,
# empty in the demo.
xdotool mousemove --window "$window" $((344 + 28 * 14 + 10)) $(($(view_top) + 24 + 12 * 10 + 6)) \
  sleep 0.3 click --repeat 2 --delay 300 1

save_with_ctrl_s "$work/demo.trv"
quit_from_menu  # the song is saved, so nothing asks
wait "$tarvel_pid" || fail "the program exited with an error"

expect_rising_notes "$work/demo.trv" 3
# (That a saved stream has the format's length is the song file test's.) The grid starts at
# stream offset 2121885; only the pattern byte of slot (160, 14) changed.
slots=$({ zcat "$demo" | cmp -l - "$work/stream" || true; } |
  awk '$1 > 2121885 { print $1 - 2121886, $3 }')
[ "$slots" = "$((3 * (160 * 16 + 14))) 0" ] || fail "the clicks changed the grid at: $slots"
echo "end to end: played, recorded C-5 D-5 E-5 and saved them"
echo "screenshot: $artifacts/end_to_end.png"

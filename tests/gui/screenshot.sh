#!/usr/bin/env bash
# Runs the real program on a private X server with a song, starts the song with F5, and saves
# a picture of the screen. With a size, the screen has that size and the window fills it.
#   usage: screenshot.sh <tarvel> <song.trv> <out.png> [WIDTHxHEIGHT]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
size=${4:-}
screen=$size run_on_private_x "$0" "$@"
tarvel=$(realpath "$1")
out=$(realpath -m "$3")
start_session screenshot "$(dirname "$out")"

open_window ' - Tarvel$' "$(realpath "$2")"
if [ -n "$size" ]; then
  # No window manager here: the window is placed and sized by hand, as a maximised one would be.
  xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" "${size%x*}" "${size#*x}" \
    sleep 1 windowfocus --sync "$window"
fi
xdotool key --window "$window" F5
sleep 3
import -window root "$out"
kill -0 "$tarvel_pid" || fail "the program ended while playing"
echo "resident memory while playing: $(awk '/VmRSS/ {print $2, $3}' /proc/$tarvel_pid/status)"
echo "screenshot: $out"

#!/usr/bin/env bash
# Runs the real program on a private X server with a song, starts the song with F5, and saves
# a picture of the screen. With a size, the screen has that size and the window fills it.
#   usage: screenshot.sh <tarvel> <song.trv> <out.png> [WIDTHxHEIGHT]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
tarvel=$1
song=$2
out=$3
size=${4:-}
mkdir -p "$(dirname "$out")"

if [ "${TARVEL_SCREENSHOT_INNER:-}" != 1 ]; then
  exec env TARVEL_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 ${size:-1024x768}x24" "$0" "$@"
fi

settings=$(mktemp -d)
export XDG_CONFIG_HOME=$settings  # leave the user's recent files alone
"$tarvel" "$song" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$settings"' EXIT

window=$(find_main_window ' - Tarvel$' 100) || { echo "the main window never showed" >&2; exit 1; }
if [ -n "$size" ]; then
  # No window manager here: the window is placed and sized by hand, as a maximised one would be.
  xdotool windowmove --sync "$window" 0 0
  xdotool windowsize --sync "$window" "${size%x*}" "${size#*x}"
  sleep 1
fi
xdotool windowfocus --sync "$window"
xdotool key --window "$window" F5
sleep 3
import -window root "$out"
kill -0 $pid  # still running: nothing crashed while playing
echo "resident memory while playing: $(awk '/VmRSS/ {print $2, $3}' /proc/$pid/status)"
echo "screenshot: $out"

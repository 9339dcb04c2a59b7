#!/usr/bin/env bash
# Runs the real program on a private X server with a song, starts the song with F5, and saves
# a picture of the screen.   usage: screenshot.sh <tarvel> <song.trv> <out.png>
set -euo pipefail
tarvel=$1
song=$2
out=$3
mkdir -p "$(dirname "$out")"

if [ "${TARVEL_SCREENSHOT_INNER:-}" != 1 ]; then
  exec env TARVEL_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

settings=$(mktemp -d)
export XDG_CONFIG_HOME=$settings  # leave the user's recent files alone
"$tarvel" "$song" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$settings"' EXIT

window=$(timeout 20 xdotool search --sync --onlyvisible --name ' - Tarvel$' | head -1)
# The about box comes up over the window at every start; any key that closes it will do.
sleep 1
for box in $(xdotool search --onlyvisible --name '^About' 2>/dev/null || true); do
  xdotool windowfocus --sync "$box" key Escape || true
done
xdotool windowfocus --sync "$window"
xdotool key --window "$window" F5
sleep 1.5
import -window root "$out"
kill -0 $pid  # still running: nothing crashed while playing
echo "screenshot: $out"

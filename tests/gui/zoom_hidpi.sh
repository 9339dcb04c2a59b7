#!/usr/bin/env bash
# The real window at a device pixel ratio of 2 (QT_SCALE_FACTOR=2) with the view zoomed to 200 %
# from the settings: four device pixels an editor pixel. The pattern pane's column headers lie
# where the display model puts them, at 24 + 70 t editor pixels across and 12 down: each frame
# line four device pixels wide in its own colour, the fill right after it, nothing blurred.
#   usage: zoom_hidpi.sh <tarvel> <artifact-dir>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
require_tools Xvfb xdotool import convert
screen=3400x1500 run_on_private_x "$0" "$@"
tarvel=$(realpath "$1")
start_session zoom_hidpi "$(realpath -m "$2")" '[Window]\nZoom=200'
no_sound_devices
export QT_SCALE_FACTOR=2
open_window ' - Tarvel$'
xdotool windowmove --sync "$window" 0 0
xdotool windowsize --sync "$window" 3400 1500
sleep 1.5
import -window "$window" "$work/window.png"

# The headers' light colour (0xCCDDAA as 0xBBGGRR), their fill and their dark colour.
light=AADDCC fill=88BBAA dark=669988
scale=4
# One row of the picture as a list of colours, one a line, by x.
row_colours() {
  convert "$work/window.png" -crop "3400x1+0+$1" +repage -depth 8 txt:- |
    awk 'NR > 1 { c = $3; sub(/^#/, "", c); print substr(c, 1, 6) }'
}
# The header's top line: the first row where track 0's header shows its light colour.
top=$(convert "$work/window.png" -crop "1x1500+$((scale * (24 + 35)))+0" +repage -depth 8 txt:- |
  awk -F '[,:]' -v c="#$light" 'index($0, c) && top == "" { top = $2 } END { print top }')
[ -n "$top" ] || fail "no column header in the picture"
view_top=$((top - scale * 12))
# A row inside the headers' left and right frame lines, above their text: editor y 13.
mapfile -t colours < <(row_colours $((view_top + scale * 13 + 1)))
expect() {  # expect <x> <colour> <what>
  [ "${colours[$1]}" = "$2" ] || fail "$3: x $1 is ${colours[$1]}, not $2"
}
for track in 0 1 2 3; do
  left=$((scale * (24 + 70 * track)))
  right=$((scale * (24 + 70 * track + 70)))
  for i in 0 1 2 3; do
    expect $((left + i)) $light "track $track's left frame line"
    expect $((right - 1 - i)) $dark "track $track's right frame line"
  done
  expect $((left + scale)) $fill "track $track's fill after its left line"
  expect $((right - scale - 1)) $fill "track $track's fill before its right line"
done
# And down: the top line's four rows light, the fill below them.
column=$((scale * (24 + 70 + 1) + 1))
for i in 0 1 2 3; do
  [ "$(row_colours $((view_top + scale * 12 + i)) | sed -n "$((column + 1))p")" = $light ] ||
    fail "the header's top line at row $i"
done
[ "$(row_colours $((view_top + scale * 13)) | sed -n "$((column + 1))p")" = $fill ] ||
  fail "the header's fill below its top line"
echo "the headers' edges lie on their device pixels at ratio 2 and 200 %"

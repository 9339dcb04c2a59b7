# Shell helpers the window scripts share; sourced, not run.

# Closes every visible window but the main one (the window id in $1, if known yet) with a real
# Return key press.
close_boxes() {
  local main=${1:-}
  for box in $(xdotool search --onlyvisible --name '.' 2>/dev/null || true); do
    [ "$box" = "$main" ] && continue
    xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
  done
}

# Waits up to <tries> fifths of a second for the main window whose title matches <pattern> and
# prints its id. Boxes come up before the window (the song's information) and after it (the
# about box); each is closed until the main window stands alone. Fails if it never shows.
#   usage: window=$(find_main_window <pattern> <tries>)
find_main_window() {
  local pattern=$1 tries=$2 window=
  for _ in $(seq 1 "$tries"); do
    window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    close_boxes
    sleep 0.2
  done
  [ -n "$window" ] || return 1
  sleep 1
  close_boxes "$window"
  sleep 0.5
  echo "$window"
}

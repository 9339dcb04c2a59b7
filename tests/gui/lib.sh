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

# Skips the script (exit 77, which CTest counts as skipped) unless every named tool is here.
require_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
}

# Runs the calling script again on a private X server, unless it already runs on one.
#   usage: run_on_private_x "$0" "$@"
run_on_private_x() {
  [ "${TARVEL_ON_PRIVATE_X:-}" = 1 ] && return
  exec env TARVEL_ON_PRIVATE_X=1 xvfb-run -a -s "-screen 0 1024x768x24" "$@"
}

# Sets up $work (a fresh folder, removed at exit), $pids (started processes, stopped newest first
# at exit, each given time to end cleanly: a JACK server killed outright keeps its place in
# JACK's table of servers, and a machine has only eight) and fail(), which prints the tail of
# every $work/*.log and saves a picture of the screen as <artifacts>/<name>_failure.png.
#   usage: start_session <name> <artifact-dir>
start_session() {
  session_name=$1
  artifacts=$2
  mkdir -p "$artifacts"
  work=$(mktemp -d)
  pids=()
  trap stop_session EXIT
}
stop_session() {
  local i pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
fail() {
  echo "FAILED: $*" >&2
  for log in "$work"/*.log; do
    [ -s "$log" ] && { echo "--- ${log##*/}" >&2; tail -n 20 "$log" >&2; }
  done
  import -window root "$artifacts/${session_name}_failure.png" 2>/dev/null || true
  exit 1
}

wait_for() {  # wait_for <tenths of a second> <command...>
  local tries=$1
  shift
  for _ in $(seq 1 "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts the program on <song> (or none) from $work, logging to $work/tarvel.log; sets
# $tarvel_pid.   usage: start_tarvel [song]
start_tarvel() {
  (cd "$work" && exec "$tarvel" "$@") >>"$work/tarvel.log" 2>&1 &
  tarvel_pid=$!
  pids+=("$tarvel_pid")
}

# Ctrl+S in the focused window, and waits until <file> has been written.
save_with_ctrl_s() {
  local file=$1 before
  before=$(stat -c %Y.%s "$file")
  xdotool key ctrl+s
  wait_for 100 sh -c "[ \"\$(stat -c %Y.%s '$file')\" != '$before' ]" ||
    fail "Ctrl+S did not save $file"
}

# File > Exit from the keyboard, as a user would; fails unless the program ends.
quit_from_menu() {
  xdotool key alt+f
  sleep 0.5
  xdotool key x
  wait_for 150 sh -c "! kill -0 $tarvel_pid" || fail "the program did not quit"
}

# Fails unless track 0 of pattern 0 in the song file <file> starts with the notes C-5, D-5, ...
# on its first <lines> lines. Pattern 0 starts at stream offset 2153; cell (line, 0) is
# 32 + 64 * line bytes into it.
expect_rising_notes() {
  local file=$1 lines=$2 line expected got
  zcat "$file" >"$work/stream" || fail "$file is not a gzip file"
  for ((line = 0; line < lines; line++)); do
    expected=$((60 + 2 * line))
    got=$(od -An -tu1 -j $((2153 + 32 + 64 * line)) -N 1 "$work/stream" | tr -d ' ')
    [ "$got" = "$expected" ] || fail "line $line holds note $got, expected $expected"
  done
}

# The y of the view's top in the main window ($window): where the grey of the bar between the
# panes begins.
view_top() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window "$window" "$work/window.png"
  convert "$work/window.png" -crop "1x$HEIGHT+305+0" txt:- |
    awk -F '[,:]' '/#B0B0B0/ && top == "" { top = $2 } END { print top }'
}

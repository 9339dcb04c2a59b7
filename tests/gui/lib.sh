# Shell helpers the window scripts share; sourced, not run.

# Closes every visible window but the main one (the window id in $1, if known yet) with a real
# Return key press.
close_boxes() {
  for box in $(xdotool search --onlyvisible --name '.' 2>/dev/null || true); do
    [ "$box" = "${1:-}" ] || xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
  done
}

# Skips the script (exit 77, which CTest counts as skipped) unless every named tool is here.
require_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
}

# Runs the calling script again on a private X server of $screen (1024x768 unless set), unless
# it already runs on one, and exits with its status. The server picks a free display itself
# and names it only once it takes connections (-displayfd), so scripts started together never
# race for a number and none connects too early. It never resets: a reset, when its last client
# (an xdotool call, say) goes, turns away whoever connects meanwhile, such as the program.
#   usage: run_on_private_x "$0" "$@"
run_on_private_x() {
  [ "${TARVEL_ON_PRIVATE_X:-}" = 1 ] && return
  local named display server status=0
  named=$(mktemp)
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${screen:-1024x768}x24" 3>"$named" \
    2>/dev/null &
  server=$!
  wait_for 300 sh -c "[ \$(wc -l <'$named') -ge 1 ] || ! kill -0 $server"
  display=$(head -1 "$named")
  rm -f "$named"
  if [ -z "$display" ]; then
    kill "$server" 2>/dev/null
    echo "FAILED: the private X server did not start" >&2
    exit 1
  fi
  TARVEL_ON_PRIVATE_X=1 DISPLAY=":$display" "$@" || status=$?
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null || true
  exit "$status"
}

# Sets up $work (a fresh folder, removed at exit) with private settings and data folders; $pids
# (started processes, stopped newest first at exit, clients before their server, each given time
# to end cleanly: a JACK server killed outright keeps its place in JACK's table of servers, and
# a machine has only eight) and fail(), which prints the tail of
# every $work/*.log and saves a picture of the screen as <artifacts>/<name>_failure.png.
#   usage: start_session <name> <artifact-dir> [settings, INI text]
start_session() {
  session_name=$1
  artifacts=$2
  mkdir -p "$artifacts"
  work=$(mktemp -d)
  pids=()
  trap stop_session EXIT
  export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
  mkdir -p "$XDG_CONFIG_HOME/Velmora Audio Software 'Tarvel'"
  printf '%b\n' "${3:-}" >"$XDG_CONFIG_HOME/Velmora Audio Software 'Tarvel'/Tarvel.conf"
}
# Keeps the machine's sound server, ALSA devices and JACK servers out of the session.
no_sound_devices() {
  export PULSE_SERVER=unix:/nonexistent ALSA_CONFIG_PATH=/dev/null JACK_NO_START_SERVER=1
}
stop_session() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || continue
    wait_for 100 sh -c "! kill -0 ${pids[i]}" || kill -9 "${pids[i]}" 2>/dev/null || true
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

# Starts the program on [song] from $work, logging to $work/tarvel.log, and waits up to 30 s for
# its main window, titled as <pattern>, which gets the keyboard; sets $tarvel_pid and $window.
# Boxes come up before the window (the song's information) and after it (the about box); each
# is closed until the main window stands alone.
#   usage: open_window <pattern> [song]
open_window() {
  local pattern=$1
  shift
  (cd "$work" && exec "$tarvel" "$@") >>"$work/tarvel.log" 2>&1 &
  tarvel_pid=$!
  pids+=("$tarvel_pid")
  window=
  for _ in $(seq 1 150); do
    window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    close_boxes
    sleep 0.2
  done
  [ -n "$window" ] || fail "no main window titled $pattern"
  sleep 1
  close_boxes "$window"
  sleep 0.5
  xdotool windowfocus --sync "$window"
}

# Ctrl+S in the focused window, and waits until <file> has been written.
save_with_ctrl_s() {
  local before
  before=$(stat -c %Y.%s "$1")
  xdotool key ctrl+s
  wait_for 100 sh -c "[ \"\$(stat -c %Y.%s '$1')\" != '$before' ]" || fail "Ctrl+S did not save $1"
}

# File > Exit from the keyboard, as a user would; fails unless the program ends.
quit_from_menu() {
  xdotool key alt+f sleep 0.5 key x
  wait_for 150 sh -c "! kill -0 $tarvel_pid" || fail "the program did not quit"
}

# Fails unless track 0 of pattern 0 in the song file <file> starts with the notes C-5, D-5, ...
# on its first <lines> lines. Pattern 0 starts at stream offset 2153; cell (line, 0) is
# 32 + 64 * line bytes into it.
expect_rising_notes() {
  local line got
  zcat "$1" >"$work/stream" || fail "$1 is not a gzip file"
  for ((line = 0; line < $2; line++)); do
    got=$(od -An -tu1 -j $((2153 + 32 + 64 * line)) -N 1 "$work/stream" | tr -d ' ')
    [ "$got" = $((60 + 2 * line)) ] || fail "line $line holds note $got, not $((60 + 2 * line))"
  done
}

# The y of the view's top in the main window ($window): where the grey of the bar between the
# panes begins, in the window's column of pixels at x 305.
view_top() {
  import -window "$window" -crop 1x+305+0 txt:- |
    awk -F '[,:]' '/#B0B0B0/ && top == "" { top = $2 } END { print top }'
}

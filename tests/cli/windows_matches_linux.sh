#!/bin/sh
# The Windows command line under Wine against the Linux one: the same demo song gives the same
# MIDI file, the same song back from it and the same --info, also under a name beyond ASCII; and
# a failing write over an existing file keeps the old one and says why in one line.
#   usage: windows_matches_linux.sh <linux tarvel-cli> <windows tarvel-cli.exe> <demo.trv>
# Wine's settings (WINEPREFIX, WINEDEBUG) come from the caller.
set -u
linux=$1
windows=$2
demo=$3
wine=$(command -v wine64 || command -v wine)
. "$(dirname "$0")/lib.sh"

# Windows sees the Linux root as drive Z:.
win_path() {
  printf 'Z:%s' "$1" | tr / '\\'
}

"$linux" --export-midi "$work/linux.mid" "$demo" || fail "Linux export"
"$wine" "$windows" --export-midi "$(win_path "$work/sång ♪.mid")" "$(win_path "$demo")" ||
  fail "Windows export"
cmp "$work/linux.mid" "$work/sång ♪.mid" || fail "the two MIDI files differ"

"$linux" --import-midi "$work/linux.trv" "$work/linux.mid" >/dev/null || fail "Linux import"
"$wine" "$windows" --import-midi "$(win_path "$work/windows.trv")" "$(win_path "$work/sång ♪.mid")" \
  >/dev/null || fail "Windows import"
cmp "$work/linux.trv" "$work/windows.trv" || fail "the two imported songs differ"

"$linux" --info "$demo" >"$work/linux.txt"
"$wine" "$windows" --info "$(win_path "$demo")" | tr -d '\r' >"$work/windows.txt"
cmp "$work/linux.txt" "$work/windows.txt" || fail "--info differs: $(diff "$work/linux.txt" "$work/windows.txt")"

# A file Windows will not replace: the old content stays, the error is one line, the exit 1.
printf 'old' >"$work/held.mid"
"$wine" cmd /c "attrib +r $(win_path "$work/held.mid")" >/dev/null 2>&1
"$wine" "$windows" --export-midi "$(win_path "$work/held.mid")" "$(win_path "$demo")" \
  >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "export over a read-only file: exit $status, not 1"
[ "$(cat "$work/held.mid")" = old ] || fail "the read-only file was changed"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "an error takes one line: $(cat "$work/err")"
grep -q "read-only" "$work/err" || fail "no reason given: $(cat "$work/err")"
[ "$(ls "$work" | grep -c '\.tmp$')" -eq 0 ] || fail "a temporary file was left behind"

finish "the Windows command line matches the Linux one"

# Shell helpers the command-line scripts share; sourced, not run.

# A fresh folder, removed at exit, and a count of failed checks that finish() turns into the
# exit status.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# finish <what passed>: says it when nothing failed; exits 0 then, 1 otherwise.
finish() {
  [ "$failures" -eq 0 ] && echo "$1"
  exit $((failures > 0))
}

#!/bin/sh
# Counts the lines of tests and of code that carry something (not blank, not only a comment) and
# prints their ratio. Code: the C++ outside tests/ (core, app, tools, benchmarks). Tests:
# everything under tests/, C++ and scripts. The aim is a ratio of about a third.
cd "$(dirname "$0")/.." || exit 2

# Lines of the named files that are neither blank nor only a // or # comment.
meaningful() {
  [ $# -eq 0 ] && { echo 0; return; }
  cat "$@" | awk '
    /^[[:space:]]*$/ { next }
    /^[[:space:]]*(\/\/|\/\*|\*|#!)/ { next }
    /^[[:space:]]*#/ && !/^[[:space:]]*#(include|define|if|endif|else|elif|pragma|undef)/ { next }
    { n++ }
    END { print n + 0 }'
}

code=$(meaningful $(git ls-files '*.cpp' '*.h' | grep -v '^tests/'))
tests=$(meaningful $(git ls-files 'tests/*.cpp' 'tests/*.h' 'tests/*.sh'))
awk -v t="$tests" -v c="$code" 'BEGIN {
  printf "tests %d lines, code %d lines, ratio %.2f\n", t, c, t / c }'

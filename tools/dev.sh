#!/usr/bin/env bash
# Set-up for a fresh Debian 12 machine (run as root or with sudo):
#   tools/dev.sh run    installs what is missing, builds, and opens the demo song
#   tools/dev.sh test   installs what is missing, builds, and runs every test
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  cmake ninja-build g++ pkg-config clang-format clang libclang-rt-14-dev
  qt6-base-dev qt6-qpa-plugins librtmidi-dev libjack-jackd2-dev libfluidsynth-dev fluid-soundfont-gm zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  jackd2 xvfb xauth xdotool imagemagick fonts-dejavu-core fluidsynth python3-mido
)

install_missing() {
  local missing=()
  for package in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
}

case "${1:-}" in
  run)
    install_missing
    build build
    if [ -x build/app/tarvel ]; then
      # From its own folder, where the build puts the manual that Help (F1) shows.
      song="$PWD/examples/demo.trv"
      cd build/app && exec ./tarvel "$song"
    fi
    exec build/tools/tarvel-midi-check
    ;;
  test)
    install_missing
    build build -DTARVEL_WERROR=ON
    # A window test under Xvfb can miss its start on a loaded machine; a second try tells that
    # apart from a real failure, which fails twice.
    cd build && ctest --output-on-failure --timeout 600 --repeat until-pass:2
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Set-up for a fresh Debian 12 machine (run as root or with sudo):
#   tools/dev.sh run    installs what is missing, builds, and opens the demo song
#   tools/dev.sh test   installs what is missing, builds, and runs every test
#   tools/dev.sh windows  cross-builds the core, the command line and the core tests for Windows
#                         and runs the tests under Wine
#   tools/dev.sh package  builds the Debian package build-release/tarvel_<version>_amd64.deb
#                         and checks it with lintian and appstreamcli
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  cmake ninja-build g++ pkg-config clang-format clang libclang-rt-14-dev
  qt6-base-dev qt6-qpa-plugins librtmidi-dev libjack-jackd2-dev libfluidsynth-dev fluid-soundfont-gm zlib1g-dev liblo-dev
  ableton-link-dev libasio-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  jackd2 xvfb xdotool imagemagick fonts-dejavu-core fluidsynth python3-mido iproute2
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
    cd build
    ctest --output-on-failure --timeout 600 -LE jack
    # The JACK tests time a real server's dummy driver, which on a shared machine sometimes
    # loses whole periods (xruns) to the host: a run spoiled so is tried again, up to three
    # times; a real fault fails all three.
    ctest --output-on-failure --timeout 600 -L jack --repeat until-pass:3
    ;;
  windows)
    # wine itself (the launcher and wineboot) is only a recommendation of wine64.
    install_missing mingw-w64 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 wine googletest
    build build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTARVEL_WERROR=ON \
      -DTARVEL_BUILD_APP=OFF -DTARVEL_BUILD_BENCH=OFF
    # Wine of our own, under the build folder, quiet and with no window: console programs need
    # no display, and the .NET and HTML engines it would offer to fetch are not wanted.
    export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -f "$WINEPREFIX/system.reg" ] || DISPLAY= wineboot --init >/dev/null 2>&1
    cd build-windows && DISPLAY= ctest -L "core|alloc" --output-on-failure --timeout 900
    echo "Skipped under Wine, each with its reason:"
    grep -A1 ': Skipped$' Testing/Temporary/LastTest.log | grep -v '^--$' || echo "(none)"
    ;;
  package)
    # dpkg-shlibdeps (dpkg-dev) finds the package's dependencies.
    install_missing dpkg-dev lintian appstream file
    # With Debian's hardening, as its own packages have it: fortified string and memory calls, a
    # stack protector, and relocations made read-only once bound at start.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    build build-release -DCMAKE_BUILD_TYPE=Release -DTARVEL_WERROR=ON \
      -DTARVEL_BUILD_TESTS=OFF -DTARVEL_BUILD_BENCH=OFF \
      -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
    cd build-release
    rm -f tarvel_*.deb
    cpack -G DEB
    # Errors fail; warnings are shown. No network: the screenshot's address is not fetched.
    lintian --fail-on error tarvel_*.deb
    appstreamcli validate --no-net resources/*.metainfo.xml
    ;;
  *)
    echo "usage: $0 run|test|windows|package" >&2
    exit 2
    ;;
esac

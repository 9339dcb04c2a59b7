#!/bin/sh
# The Debian package as a user gets it, on this machine (root, or sudo): installed with apt,
# which also brings what it depends on, then the installed program shows its version, the one
# the package carries, and exports the installed demo song as a MIDI file; the desktop learns the
# ".trv" type through dpkg's triggers alone; last the package is removed and leaves nothing.
#   usage: installed.sh <tarvel_VERSION_amd64.deb>
set -u
deb=$(realpath "$1")
. "$(dirname "$0")/../cli/lib.sh"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
# Other work on the machine may hold dpkg's lock for a while.
apt="$sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y"

if dpkg-query -W -f='${Status}' tarvel 2>/dev/null | grep -q "ok installed"; then
  echo "FAIL: a tarvel package is installed already; this check would replace and remove it"
  exit 1
fi

$apt install "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "apt-get install $deb"; }

# The installed one, even where a `cmake --install` put another earlier on the PATH.
tarvel=$(dpkg -L tarvel | grep '/bin/tarvel$')
version=$(dpkg-deb -f "$deb" Version)
said=$("$tarvel" --version 2>&1)
[ "$said" = "Tarvel $version" ] || fail "tarvel --version says \"$said\", the package is $version"

demo=$(dpkg -L tarvel | grep '/demo\.trv$')
[ -n "$demo" ] || fail "the package holds no demo.trv"
if "$tarvel" --export-midi "$work/demo.mid" "$demo"; then
  [ "$(head -c 4 "$work/demo.mid")" = MThd ] || fail "$work/demo.mid is not a MIDI file"
else
  fail "tarvel --export-midi $work/demo.mid $demo"
fi

# With shared-mime-info present, its trigger compiles the type from the package's file.
if command -v update-mime-database >/dev/null; then
  [ -f /usr/share/mime/application/x-tarvel-song.xml ] || fail "no application/x-tarvel-song after install"
fi

$apt remove tarvel >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "apt-get remove tarvel"; }
[ ! -e "$tarvel" ] || fail "$tarvel is still there after removal"
if command -v update-mime-database >/dev/null; then
  [ ! -e /usr/share/mime/application/x-tarvel-song.xml ] || fail "application/x-tarvel-song is left after removal"
fi

finish "package: installed, ran $said, exported the demo, removed"

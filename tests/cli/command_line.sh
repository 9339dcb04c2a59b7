#!/bin/sh
# The command line of the real program, no window: a table of good and bad calls with the exit
# status and the words each must give (an error is one line on stderr), then the files it wrote
# read by other programs: FluidSynth plays the exported MIDI file, Python's wave module and a
# FLAC header give the audio files their length (the song and a 2 s tail), and they are not
# silent.
#   usage: command_line.sh <tarvel> <demo.trv> <version>
set -u
tarvel=$1
demo=$2
version=$3
soundfont=/usr/share/sounds/sf2/FluidR3_GM.sf2
python=/usr/bin/python3
. "$(dirname "$0")/lib.sh"

# expect STATUS TEXT ARGUMENTS...: the exit status, and TEXT (a fixed string) in what it printed.
expect() {
  want=$1 text=$2
  shift 2
  "$tarvel" "$@" >"$work/out" 2>"$work/err"
  status=$?
  said=$(cat "$work/out" "$work/err")
  [ "$status" -eq "$want" ] || fail "tarvel $*: exit $status, not $want: $said"
  if [ -n "$text" ]; then
    printf '%s' "$said" | grep -qF -- "$text" || fail "tarvel $*: no \"$text\" in: $said"
  fi
  if [ "$want" -eq 1 ] && [ "$(wc -l <"$work/err")" -ne 1 ]; then
    fail "tarvel $*: an error takes one line: $said"
  fi
}

printf 'not a song' >"$work/damaged.trv"
printf 'MThd\0\0\0\6\0\1' >"$work/damaged.mid"
mkdir "$work/folder.mid"

expect 0 "usage: tarvel [SONG.trv]" --help
expect 0 "Tarvel $version" --version
expect 2 "unknown option --bogus" --bogus "$demo"
expect 2 "--export-midi needs two files" --export-midi "$work/out.mid"
expect 2 "--info needs one file" --info
expect 2 "--export-midi takes no option --rate" --export-midi --rate 48000 "$work/a.mid" "$demo"
expect 2 "--rate needs one of the values" --export-audio --rate 22050 "$work/a.wav" "$demo"
expect 2 "--lines needs one of the values" --import-midi --lines 8 "$work/a.trv" "$work/a.mid"
expect 2 "--bits needs one of the values" --export-audio "$work/a.wav" "$demo" --bits
expect 1 "out.txt: a MIDI file's name ends in .mid or .midi" --export-midi "$work/out.txt" "$demo"
expect 1 "out.mp3: an audio file's name ends in .wav or .flac" --export-audio "$work/out.mp3" "$demo"
expect 1 "out.mid: a song file's name ends in .trv" --import-midi "$work/out.mid" "$work/a.mid"
expect 1 "missing.trv: cannot open: No such file or directory" --info "$work/missing.trv"
expect 1 "damaged.trv: Corrupt data or damaged/old tarvel song" --export-midi "$work/a.mid" "$work/damaged.trv"
expect 1 "(replacing the old file failed: Is a directory)" --export-midi "$work/folder.mid" "$demo"
expect 1 "could not be imported (the header chunk claims 6 bytes, but only 2 follow)" --import-midi "$work/a.trv" "$work/damaged.mid"
expect 1 "could not be saved as $work/no/a.wav" --export-audio "$work/no/a.wav" "$demo"
expect 0 "" --export-midi "$work/demo.mid" "$demo"
expect 0 "Imported 863 notes; 0 dropped." --import-midi --lines 32 "$work/again.trv" "$work/demo.mid"
expect 0 "Tempo:     125 BPM (120 ms a line)" --info "$work/again.trv"
expect 0 "Composer:  Tarvel Dev" --info "$demo"
grep -q "^Channels:  5 with patterns placed" "$work/out" || fail "--info: $(cat "$work/out")"
length=$(sed -n 's/^Length: .*(\([0-9]*\) ms).*/\1/p' "$work/out")
expect 0 "" --export-audio "$work/demo.wav" "$demo"
expect 0 "" --export-audio --rate 48000 --bits 24 "$work/demo.flac" "$demo"
# (That a failed replacement leaves no temporary file is the song file test's.)

fluidsynth -ni -F "$work/fluidsynth.wav" "$soundfont" "$work/demo.mid" >"$work/fluidsynth.log" 2>&1 ||
  fail "fluidsynth cannot play the exported file: $(cat "$work/fluidsynth.log")"
grep -qi "error" "$work/fluidsynth.log" && fail "fluidsynth: $(cat "$work/fluidsynth.log")"

"$python" - "$work/demo.wav" "$work/demo.flac" "${length:-0}" <<'PYTHON' || fail "audio files"
import array, sys, wave

wav_path, flac_path, song_ms = sys.argv[1], sys.argv[2], int(sys.argv[3])

def frames(rate):  # the song and the 2 s tail, in whole blocks of 64 frames
    exact = ((song_ms + 2000) * rate + 500) // 1000
    return (exact + 63) // 64 * 64

with wave.open(wav_path) as wav:
    shape = (wav.getnchannels(), wav.getsampwidth(), wav.getframerate(), wav.getnframes())
    samples = array.array("h", wav.readframes(wav.getnframes()))
if song_ms < 50000 or shape != (2, 2, 44100, frames(44100)):
    sys.exit("WAV: %r for a song of %d ms" % (shape, song_ms))
if max(map(abs, samples)) < 1000:
    sys.exit("WAV: silent")

with open(flac_path, "rb") as flac:
    head = flac.read(42)
info = int.from_bytes(head[18:26], "big")  # in STREAMINFO: rate, channels, bits, frames
shape = (head[:4], info >> 44, (info >> 41 & 7) + 1, (info >> 36 & 31) + 1, info & (1 << 36) - 1)
if shape != (b"fLaC", 48000, 2, 24, frames(48000)):
    sys.exit("FLAC: %r" % (shape,))
PYTHON

finish "command line: all cases pass"

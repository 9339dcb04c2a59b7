#!/usr/bin/python3
"""Lists the notes and controllers of a MIDI file as mido reads it, track by track in file order:
"channel line type data1 data2", the line being the tick over 24 (96 ticks a quarter note)."""
import sys

import mido

midi = mido.MidiFile(sys.argv[1])
if midi.ticks_per_beat != 96:
    sys.exit("%d ticks per quarter note, not 96" % midi.ticks_per_beat)
for track in midi.tracks:
    tick = 0
    for message in track:
        tick += message.time
        if message.type in ("note_on", "note_off"):
            data = (message.note, message.velocity)
        elif message.type == "control_change":
            data = (message.control, message.value)
        else:
            continue
        print(message.channel, tick // 24, message.type, *data)

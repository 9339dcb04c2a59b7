// A song from a Standard MIDI File. MIDI channel c becomes track c; the file's time is cut into
// stretches of one pattern's length, and each channel's notes and controllers of a stretch become
// one pattern, laid into the sequencer where the stretch begins. Notes, controllers and tempo
// changes sit on the nearest line at four lines per quarter note. Notes take the first free
// column of their pattern, so a channel holds up to 16 notes at once; controllers and program
// changes take the command fields of their line, up to 16 on a channel's line.
#pragma once

#include <string>

#include "song/MidiFile.h"
#include "song/Song.h"

namespace tarvel {

struct MidiImportOptions {
    int patternLines = kDefaultLineCount;  // lines of each pattern, 16..256 (clamped)
};

// What the import made, and what did not fit, counted by reason.
struct MidiImportReport {
    int notes = 0;             // notes placed in patterns
    int tooManyAtOnce = 0;     // notes while 16 others sounded on their channel
    int patternsFull = 0;      // notes and events after the song outgrew the 128 patterns
    int pastGrid = 0;          // notes and events after the sequencer's 16,384 rows
    int laterTempos = 0;       // tempo changes after the first that no Set BPM cell holds
    int otherControllers = 0;  // controllers and program changes with no command field free
    int pitchBends = 0;
    int aftertouches = 0;
    int sysExes = 0;

    int patterns = 0;  // patterns used, numbered from 0
    int endRow = 0;    // the row after the song's last: where its loop should end

    int Dropped() const;
};

// Fills `song`, which the caller has reset to a new song (as File > New leaves it), from `file`:
// patterns from 0 on, the sequencer, each channel's first program, the first tempo (clamped to
// 32..512 BPM), and track names from a format 1 file's named tracks. Program changes after a
// channel's first and all controllers become the commands of cells on their channel's track.
// A line's controller that finds no field free replaces an earlier value of its own on the line,
// if there is one; else it is dropped. Later tempos of 32..255 BPM become Set BPM cells, the last
// of a line winning, on whichever track has a field free; when there are any, one more at row 0
// brings a loop back to the first tempo. Any thread; nothing else may use `song` meanwhile.
MidiImportReport ImportMidiFile(const MidiFileData& file, Song& song,
                                MidiImportOptions options = {});

// What to tell the user, for example
// "Imported 1,234 notes; 12 dropped: more than 16 at once (10), song longer than the grid (2)."
// Any thread.
std::string MidiImportReportText(const MidiImportReport& report);

}  // namespace tarvel

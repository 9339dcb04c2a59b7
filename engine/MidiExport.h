// A song as a Standard MIDI File: what one pass of playing it sends, from an offline render.
// Type 1: a conductor track with the tempo map, then one track per channel that sends anything,
// named after the channel's program and starting with that program. 96 ticks per quarter note,
// so 24 per line; within a line, ticks follow the milliseconds of its played length.
#pragma once

#include <cstdint>
#include <string>

#include "engine/OfflineRender.h"
#include "song/MidiFile.h"

namespace tarvel {

constexpr std::uint16_t kExportTicksPerQuarter = 96;
constexpr std::uint32_t kExportTicksPerLine = kExportTicksPerQuarter / 4;

// What the file could not hold. The system common messages of cells (song position, song
// select, time code, tune request) go in as SysEx escapes, as the file format provides; real-time
// messages drive a receiver's clock and transport, which a file's player makes of its own, and
// undefined system messages (and an end of SysEx with no start) mean nothing without a device.
struct MidiExportReport {
    int realTimeMessages = 0;
    int undefinedSystemMessages = 0;
};

// The file of a rendered pass; `song` gives the patch names. False, with the reason, when a line
// lasts longer than the slowest tempo a file can hold (4,194 ms a line). Any thread.
bool MidiFileOfPass(const Song& song, const RenderedPass& pass, MidiFileData& file,
                    MidiExportReport& report, std::string& whyNot);

// Renders one pass of the song (from row 0 to the loop end) and makes its file. Any thread.
bool ExportSongAsMidi(const Song& song, int loopEndRow, MidiFileData& file,
                      MidiExportReport& report, std::string& whyNot);

// What to tell the user after an export, for example "12 real-time messages could not be stored
// in a MIDI file."; empty when the file holds everything. Any thread.
std::string MidiExportNotice(const MidiExportReport& report);

}  // namespace tarvel

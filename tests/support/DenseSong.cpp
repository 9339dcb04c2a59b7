#include "support/DenseSong.h"

#include <iterator>

namespace tarvel::testing {
namespace {

// Controllers, gate, tempo (125 keeps the clock), pitch wheel, program, delay, retrigger, an
// unassigned value, real-time and system messages, fine gate, fine delay and ratchet.
constexpr std::uint8_t kCommands[] = {0x07, 0x80, 0x90, 0xA0, 0xB0, 0xD0, 0xE0, 0xC5,
                                      0xF8, 0xF3, 0x40, 0xFF, 0x81, 0xD1, 0xE1};

PatternCell DenseCell(Density density, int line, int column) {
    const auto note = static_cast<std::uint8_t>(36 + (line * 5 + column) % 60);
    if (density == Density::ControllersAndNotes)
        return {note, 100, static_cast<std::uint8_t>(column),
                static_cast<std::uint8_t>(line & 0x7F)};
    const std::uint8_t command = kCommands[(line + column) % std::size(kCommands)];
    const std::uint8_t parameter = command == 0x90 ? 125 : static_cast<std::uint8_t>(line & 0x7F);
    const std::uint8_t velocity =
        column % 3 == 0 ? kDefaultVelocity : static_cast<std::uint8_t>(line);
    return {(line + column) % 7 == 0 ? kNoteOff : note, velocity, command, parameter};
}

}  // namespace

void FillDenseSong(CFennoralDoc& doc, Density density) {
    TARVEL_ASSERT_LOCKED(doc);
    for (int track = 0; track < kTrackCount; ++track) {
        Pattern& pattern = doc.song.patterns[track];
        pattern.lineCount = kPatternLines;
        for (int line = 0; line < kPatternLines; ++line)
            for (int column = 0; column < kTrackCount; ++column)
                pattern.cells[line][column] = DenseCell(density, line, column);
        doc.song.sequence[0][track] = {static_cast<std::uint8_t>(track), 0, 0};
    }
    doc.editor.loopStartRow = 0;
    doc.editor.loopEndRow = kPatternLines;
    doc.SetBpm(125);
}

void PlayTimingLines(CFennoralDoc& doc, int lines) {
    doc.SetBpm(250);
    doc.song.channelDevice[0] = 1;
    Pattern& pattern = doc.song.patterns[0];
    pattern.lineCount = lines;
    for (int line = 0; line < lines; ++line)
        pattern.cells[line][0] = {static_cast<std::uint8_t>(48 + line % 24), 100, 0xB0,
                                  static_cast<std::uint8_t>((line * 37 + 1) % 128)};
    doc.StartPlayback(kPatternMode);
}

void WriteRowNamingSong(CFennoralDoc& doc, int rows) {
    for (int p = 0; p < 16; ++p) {
        doc.song.patterns[p].lineCount = 1;
        doc.song.patterns[p].cells[0][0] = {static_cast<std::uint8_t>(36 + p), 0x50, 0x80, 0};
    }
    for (int row = 0; row < rows; ++row)
        doc.song.sequence[row][0] = {static_cast<std::uint8_t>(row % 16), 0, 0};
}

}  // namespace tarvel::testing

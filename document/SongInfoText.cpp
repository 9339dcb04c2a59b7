#include "document/SongInfoText.h"

#include <cstdio>
#include <set>

#include "engine/PlayWatch.h"
#include "song/SongOps.h"
#include "song/Tempo.h"

namespace tarvel {

namespace {

// A song text (8-bit, Latin-1) as UTF-8 for the terminal; control characters become spaces and
// lines after the first are indented to the column of the values.
template <std::size_t N>
std::string Printable(const char (&field)[N]) {
    std::string text;
    for (std::size_t i = 0; i < BoundedLength(field); ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c == '\n') {
            text += "\n           ";
        } else if (c < 0x20 || c == 0x7F) {
            if (c != '\r') text += ' ';
        } else if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

std::string Line(const char* label, const std::string& value) {
    char head[16];
    std::snprintf(head, sizeof head, "%-11s", label);
    return head + value + "\n";
}

}  // namespace

std::string SongInfoText(const Song& song, std::int32_t loopStartRow, std::int32_t loopEndRow,
                         const RenderedPass& pass) {
    std::set<int> patterns;
    std::set<int> channels;
    for (const auto& row : song.sequence)
        for (int track = 0; track < kTrackCount; ++track)
            if (row[track].pattern < kPatternCount) {
                patterns.insert(row[track].pattern);
                channels.insert(track);
            }

    const int lineDuration = EffectiveLineDuration(song);
    char text[160];
    std::string info = Line("Composer:", Printable(song.header.author)) +
                       Line("Band:", Printable(song.header.band)) +
                       Line("Date:", Printable(song.header.date)) +
                       Line("Comments:", Printable(song.header.comments));
    std::snprintf(text, sizeof text, "%d BPM (%d ms a line)", BpmOfLineDuration(lineDuration),
                  lineDuration);
    info += Line("Tempo:", text);
    std::snprintf(text, sizeof text,
                  "%d rows, %s (%d ms) from row 0 to the loop end; loop rows %d to %d",
                  pass.LineCount(), FormatPlayWatch(pass.LengthMs()).c_str(), pass.LengthMs(),
                  static_cast<int>(loopStartRow), static_cast<int>(loopEndRow) - 1);
    info += Line("Length:", text);

    std::string used = std::to_string(patterns.size()) + " placed in the sequencer";
    for (std::size_t i = 0; int pattern : patterns) {
        std::snprintf(text, sizeof text, "%s%02X", i++ == 0 ? ": " : " ", pattern);
        used += text;
    }
    info += Line("Patterns:", used);
    info += Line("Channels:", std::to_string(channels.size()) + " with patterns placed");
    for (int channel : channels) {
        const int program = song.channelProgram[channel];
        std::snprintf(text, sizeof text, "  %2d  program %03d: ", channel + 1, program + 1);
        info += text + Printable(song.patchNames[program]) + "\n";
    }
    return info;
}

}  // namespace tarvel

// libFuzzer target for the MIDI file reader and the importer. Whatever the reader takes is
// written out again and must read back as the same events, and is imported into a new song,
// which must come out inside the song's tables. Its last byte also picks the pattern length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "song/MidiImport.h"
#include "song/SongOps.h"

namespace tarvel {
namespace {

struct Harness {
    Song newSong;
    Song song;
    Harness() { MakeNewSong(newSong); }
};

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// The writer adds an End of Track where a track had none, and writes it with no data.
void CheckSameTrack(const MidiTrack& read, const MidiTrack& again) {
    std::size_t count = read.events.size();
    if (count > 0 && read.events.back().status == kMetaEvent &&
        read.events.back().data1 == kMetaEndOfTrack)
        --count;
    Check(again.events.size() == count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        const MidiEvent &x = read.events[i], &y = again.events[i];
        const auto dataX = read.DataOf(x), dataY = again.DataOf(y);
        Check(x.tick == y.tick && x.status == y.status && x.data1 == y.data1 &&
              x.data2 == y.data2 && std::ranges::equal(dataX, dataY));
    }
}

void CheckSongInsideItsTables(const Song& song, const MidiImportReport& report, int lines) {
    Check(report.patterns >= 0 && report.patterns <= kPatternCount);
    Check(report.endRow >= 0 && report.endRow <= kSequenceRows);
    Check(song.lineDuration >= 15000 / 512 && song.lineDuration <= 15000 / 32);
    for (int p = 0; p < report.patterns; ++p) Check(song.patterns[p].lineCount == lines);
    for (const auto& row : song.sequence)
        for (const SequenceSlot& slot : row)
            Check(slot.pattern == kEmptySlot || slot.pattern < report.patterns);
    for (const auto& name : song.trackName) Check(BoundedLength(name) < kNameSize);
    Check(!MidiImportReportText(report).empty());
}

}  // namespace
}  // namespace tarvel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvel;
    static Harness* harness = new Harness;  // one new song, copied for every input
    MidiFileData file;
    std::string whyNot;
    if (!ReadMidiFile({data, size}, file, whyNot)) {
        Check(!whyNot.empty() && whyNot.find('\n') == std::string::npos);
        return 0;
    }

    MidiFileData again;
    Check(ReadMidiFile(WriteMidiFile(file), again, whyNot));
    Check(again.format == file.format && again.division == file.division &&
          again.tracks.size() == file.tracks.size());
    for (std::size_t t = 0; t < file.tracks.size(); ++t)
        CheckSameTrack(file.tracks[t], again.tracks[t]);

    std::memcpy(&harness->song, &harness->newSong, sizeof(Song));
    const int lines = 16 + (size > 0 ? data[size - 1] % 241 : 0);
    const MidiImportReport report = ImportMidiFile(file, harness->song, {.patternLines = lines});
    CheckSongInsideItsTables(harness->song, report, lines);
    return 0;
}

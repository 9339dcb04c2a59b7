// Songs in from MIDI files and out as MIDI and audio files: notes placed on lines and columns,
// what does not fit counted, imports cut short that still end every note, and the document's
// exports to real files, which leave the live player, its ports and any old file alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string_view>
#include <tuple>
#include <utility>

#include "song/MidiImport.h"
#include "song/SongOps.h"
#include "song/Tempo.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using testing::ReadBytes;

constexpr std::uint16_t kDivision = 96;  // 24 ticks a line
constexpr std::uint32_t kTicksPerLine = kDivision / 4;

// `file` imported into a new song, as File > New leaves it.
std::pair<std::unique_ptr<Song>, MidiImportReport> Imported(const MidiFileData& file,
                                                            MidiImportOptions options = {}) {
    auto song = std::make_unique<Song>();
    MakeNewSong(*song);
    const MidiImportReport report = ImportMidiFile(file, *song, options);
    return {std::move(song), report};
}

void AddNote(MidiTrack& track, int channel, int key, int velocity, std::uint32_t on,
             std::uint32_t off) {
    track.AddMessage(on, static_cast<std::uint8_t>(0x90 | channel), key, velocity);
    track.AddMessage(off, static_cast<std::uint8_t>(0x80 | channel), key, 0x40);
}

std::vector<std::uint8_t> TempoBytes(std::uint32_t microsPerQuarter) {
    return {static_cast<std::uint8_t>(microsPerQuarter >> 16),
            static_cast<std::uint8_t>(microsPerQuarter >> 8),
            static_cast<std::uint8_t>(microsPerQuarter)};
}

std::vector<std::uint8_t> TempoOf(int bpm) {
    return TempoBytes(static_cast<std::uint32_t>(60'000'000 / bpm));
}

// The cells in use, line by line: " line.column:note/velocity/command/parameter", 255 as "-".
std::string Cells(const Pattern& pattern) {
    std::string text;
    const auto byte = [](int value) { return value == 0xFF ? "-" : std::to_string(value); };
    for (int line = 0; line < kPatternLines; ++line)
        for (int column = 0; column < kTrackCount; ++column) {
            const PatternCell& c = pattern.cells[line][column];
            if (std::memcmp(&c, &kEmptyCell, sizeof c) == 0) continue;
            text += " " + std::to_string(line) + "." + std::to_string(column) + ":" +
                    (c.note == kNoteOff ? "off" : byte(c.note)) + "/" + byte(c.velocity) + "/" +
                    byte(c.command) + "/" + std::to_string(c.parameter);
        }
    return text;
}

// Every slot of the grid and the cells of its pattern: " row.track[ cells]".
std::string SlotsAndCells(const Song& song) {
    std::string text;
    for (int row = 0; row < kSequenceRows; ++row)
        for (int t = 0; t < kTrackCount; ++t)
            if (const int p = song.sequence[row][t].pattern; p != kEmptySlot)
                text += " " + std::to_string(row) + "." + std::to_string(t) + "[" +
                        Cells(song.patterns[p]) + "]";
    return text;
}

TEST(SongExchange, ImportPlacesNotesOnLinesAndColumnsAsVoicesWithTheirControllers) {
    MidiFileData file{.format = 0, .division = kDivision, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    const auto at = [](double line) { return static_cast<std::uint32_t>(line * kTicksPerLine); };
    track.AddMeta(0, kMetaTempo, TempoOf(120));
    track.AddMessage(0, 0xC2, 5);      // the channel's program
    track.AddMessage(at(3), 0xC2, 6);  // a program change in a cell
    track.AddMessage(0, 0xB2, 7, 90);  // volume, pan, volume again after the note
    track.AddMessage(0, 0xB2, 10, 64);
    track.AddMessage(at(0.2), 0xB2, 7, 80);
    track.AddMessage(0, 0xB2, 1, 9);         // modulation
    AddNote(track, 2, 60, 100, 0, at(4));    // column 0
    track.AddMessage(at(2), 0x92, 64, 101);  // column 1, ended by a note-on of velocity 0
    track.AddMessage(at(4), 0x92, 64, 0);
    AddNote(track, 2, 67, 102, at(4), at(8));       // takes column 0 where 60 ends
    AddNote(track, 2, 72, 103, at(5.45), at(6.5));  // to the nearest lines: 5 and 7
    AddNote(track, 2, 50, 104, at(9), at(9));       // lasts at least its line
    AddNote(track, 2, 55, 105, at(62), at(70));     // ends in the next pattern
    AddNote(track, 9, 38, 111, 0, 0);  // lasts its line too: 36 takes its column after it
    AddNote(track, 9, 36, 110, at(1), at(3));

    const auto [song, report] = Imported(file);
    EXPECT_EQ(MidiImportReportText(report), "Imported 8 notes; 0 dropped.");
    EXPECT_EQ(SlotsAndCells(*song),
              " 0.2[ 0.0:60/100/7/90 0.1:-/-/10/64 0.2:-/-/1/9 0.3:-/-/7/80 2.1:64/101/-/0 "
              "3.0:-/-/176/6 4.0:67/102/-/0 4.1:off/-/-/0 5.1:72/103/-/0 7.1:off/-/-/0 "
              "8.0:off/-/-/0 9.0:50/104/-/0 10.0:off/-/-/0 62.0:55/105/-/0] "
              "0.9[ 0.0:38/111/-/0 1.0:36/110/-/0 3.0:off/-/-/0] 64.2[ 6.0:off/-/-/0]");
    EXPECT_EQ(song->sequence[0][9].pattern, 1);          // numbered as they come
    EXPECT_STREQ(song->patterns[2].name, "ch 2 bar 5");  // with no meter, bars of 16 lines
    EXPECT_STREQ(song->patterns[3].name, "empty");       // the rest stays as a new song has it
}

// Patterns of 16 lines; each file starts at 125 BPM with a note on channel 0 at line 0.
TEST(SongExchange, ImportKeepsTempoChangesAsSetBpmCellsAndControllersInFreeFields) {
    using Event = std::function<void(MidiTrack&)>;
    const auto tick = [](double line) { return static_cast<std::uint32_t>(line * kTicksPerLine); };
    const auto micros = [&](double line, std::uint32_t perQuarter) -> Event {
        return [=](MidiTrack& t) { t.AddMeta(tick(line), kMetaTempo, TempoBytes(perQuarter)); };
    };
    const auto tempo = [&](double line, int bpm) { return micros(line, 60'000'000 / bpm); };
    const auto cc = [&](double line, int number, int value, int count = 1) -> Event {
        return [=](MidiTrack& t) {  // `count` controllers from `number` on
            for (int c = number; c < number + count; ++c) t.AddMessage(tick(line), 0xB0, c, value);
        };
    };
    const auto note = [&](int channel, int key, int velocity, double line) -> Event {
        return
            [=](MidiTrack& t) { AddNote(t, channel, key, velocity, tick(line), tick(line + 1)); };
    };
    const auto fields = [](int from, const char* three) {  // controller c in field c of line 2
        std::string text;
        for (int c = from; c < 16; ++c)
            text += " 2." + std::to_string(c) + ":-/-/" + std::to_string(c) + "/" +
                    (c == 3 ? three : "1");
        return text;
    };
    const std::string kNote = " 0.0:60/100/-/0 1.0:off/-/-/0";
    const std::string kReset = " 0.0:60/100/144/125 1.0:off/-/-/0";  // Set BPM 125 for a loop
    const struct {
        const char* name;
        std::vector<Event> events;
        std::string report = "Imported 1 note; 0 dropped.";
        std::string cells;
        int first = 125;  // the file's tempo at line 0
    } cases[] = {
        // The controller, on a line of no note, takes the first field; the tempo, the next.
        {.name = "a tempo change on a line, and row 0 brings a loop back to the first",
         .events = {cc(5, 91, 40), tempo(5, 132)},
         .cells = " 0.0[" + kReset + " 5.0:-/-/91/40 5.1:-/-/144/132]"},
        {.name = "a change on line 1",
         .events = {tempo(1, 132)},
         .cells = " 0.0[ 0.0:60/100/144/125 1.0:off/-/144/132]"},
        {.name = "a file at 255 BPM, the fastest a cell holds, comes back to it at row 0",
         .events = {tempo(5, 132)},
         .cells = " 0.0[ 0.0:60/100/144/255 1.0:off/-/-/0 5.0:-/-/144/132]",
         .first = 255},
        {.name = "a file at 300 BPM, more than a cell holds: no cell brings it back",
         .events = {tempo(5, 132)},
         .cells = " 0.0[" + kNote + " 5.0:-/-/144/132]",
         .first = 300},
        {.name = "to 32 and 255 BPM, the slowest and the fastest a cell holds",
         .events = {tempo(2, 32), tempo(4, 255)},
         .cells = " 0.0[" + kReset + " 2.0:-/-/144/32 4.0:-/-/144/255]"},
        {.name = "a controller on an earlier line leaves the tempo its field",
         .events = {cc(3, 91, 40), tempo(5, 132)},
         .cells = " 0.0[" + kReset + " 3.0:-/-/91/40 5.0:-/-/144/132]"},
        {.name = "132.6 BPM: to the nearest, 133",
         .events = {micros(5, 452'488)},
         .cells = " 0.0[" + kReset + " 5.0:-/-/144/133]"},
        {.name = "between lines, to the nearest line",
         .events = {tempo(5.4, 132), tempo(6.6, 125)},
         .cells = " 0.0[" + kReset + " 5.0:-/-/144/132 7.0:-/-/144/125]"},
        {.name = "several in one line, the last back to the tempo playing: no cell",
         .events = {tempo(3, 100), tempo(3.3, 125)},
         .cells = " 0.0[" + kNote + "]"},
        {.name = "faster than a cell's byte holds: dropped, and the song plays on as it did",
         .events = {tempo(2, 300), tempo(4, 125)},
         .report = "Imported 1 note; 1 dropped: tempo changes after the first (1).",
         .cells = " 0.0[" + kNote + "]"},
        {.name = "on a track that has a pattern in the tempo's stretch",
         .events = {note(5, 62, 90, 20), tempo(18, 132)},
         .report = "Imported 2 notes; 0 dropped.",
         .cells = " 0.0[" + kReset + "] 16.5[ 2.0:-/-/144/132 4.0:62/90/-/0 5.0:off/-/-/0]"},
        {.name = "in a stretch of no pattern: on track 0",
         .events = {tempo(40, 132)},
         .cells = " 0.0[" + kReset + "] 32.0[ 8.0:-/-/144/132]"},
        {.name = "its line's fields all taken: on the next track, no controller lost",
         .events = {cc(2, 0, 1, 16), tempo(2, 132)},
         .cells = " 0.0[" + kReset + fields(0, "1") + "] 0.1[ 2.0:-/-/144/132]"},
        {.name = "controllers before and after a line's notes: sent before and after them",
         .events = {cc(4, 10, 64), note(0, 64, 101, 4), note(0, 67, 102, 4), cc(4.2, 7, 90)},
         .report = "Imported 3 notes; 0 dropped.",
         .cells = " 0.0[" + kNote +
                  " 4.0:64/101/10/64 4.1:67/102/-/0 4.2:-/-/7/90 5.0:off/-/-/0 5.1:off/-/-/0]"},
        {.name = "a controller after a line's note, and none before it: right of the note",
         .events = {note(0, 64, 101, 4), cc(4.2, 7, 90)},
         .report = "Imported 2 notes; 0 dropped.",
         .cells = " 0.0[" + kNote + " 4.0:64/101/-/0 4.1:-/-/7/90 5.0:off/-/-/0]"},
        {.name = "fields free only left of the line's note: a tempo takes one",
         .events = {note(0, 64, 90, 2), cc(2.2, 1, 1, 15), tempo(2.4, 132)},
         .report = "Imported 2 notes; 0 dropped.",
         .cells = " 0.0[" + kReset + " 2.0:64/90/144/132" + fields(1, "1") + " 3.0:off/-/-/0]"},
        {.name = "fields free only left of the line's note: a controller after it takes one",
         .events = {note(0, 64, 90, 2), cc(2.2, 1, 1, 15), cc(2.4, 16, 5)},
         .report = "Imported 2 notes; 0 dropped.",
         .cells = " 0.0[" + kNote + " 2.0:64/90/16/5" + fields(1, "1") + " 3.0:off/-/-/0]"},
        {.name = "a 17th controller on a line: dropped",
         .events = {cc(2, 0, 1, 16), cc(2, 16, 1)},
         .report = "Imported 1 note; 1 dropped: other controllers (1).",
         .cells = " 0.0[" + kNote + fields(0, "1") + "]"},
        {.name = "with the fields full, a controller already on the line takes its later value",
         .events = {cc(2, 0, 1, 16), cc(2.4, 3, 99)},
         .cells = " 0.0[" + kNote + fields(0, "99") + "]"},
    };
    for (const auto& c : cases) {
        MidiFileData file{.format = 0, .division = kDivision, .tracks = {{}}};
        for (const Event& event : {tempo(0, c.first), note(0, 60, 100, 0)}) event(file.tracks[0]);
        for (const Event& event : c.events) event(file.tracks[0]);
        const auto [song, report] = Imported(file, {.patternLines = 16});
        EXPECT_EQ(MidiImportReportText(report), c.report) << c.name;
        EXPECT_EQ(SlotsAndCells(*song), c.cells) << c.name;
        EXPECT_EQ(song->lineDuration, LineDurationOfBpm(c.first)) << c.name;
    }
}

TEST(SongExchange, ImportSharesPatternsBetweenEqualStretchesAndNamesThemByBarAndTrack) {
    MidiFileData file{.division = kDivision, .tracks = {{}, {}, {}, {}}};
    const auto text = [](std::string_view s) {
        return std::vector<std::uint8_t>(s.begin(), s.end());
    };
    file.tracks[0].AddMeta(0, kMetaTrackName, text("Tempo"));  // names no track, sets no meter
    file.tracks[0].AddMeta(0, kMetaTimeSignature, std::vector<std::uint8_t>{3, 2, 24, 8});
    // A track names the first channel it plays, whatever comes between.
    MidiTrack& bass = file.tracks[1];
    bass.AddMeta(0, 0x01, text("played by hand"));  // a text event
    bass.AddMeta(0, kMetaTrackName, text("Bass\tI, the fretless one, an octave down"));
    bass.AddMeta(0, 0x04, text("Fretless"));  // an instrument's name
    bass.AddSysEx(0, kSysExStart, std::vector<std::uint8_t>{0x7E, 0xF7});
    for (std::uint32_t stretch = 0; stretch < 5; ++stretch)
        for (int channel : {4, 5})
            AddNote(bass, channel, stretch == 4 ? 40 : 41, 90, stretch * 16 * kTicksPerLine,
                    (stretch * 16 + 2) * kTicksPerLine);
    MidiTrack& drums = file.tracks[2];  // named after its first note, each as the bass's first
    drums.AddMessage(0, 0x90, 41, 90);
    drums.AddMeta(0, kMetaTrackName, text("Drums"));
    drums.AddMessage(0, 0x99, 41, 90);
    for (std::uint8_t status : {0x80, 0x89}) drums.AddMessage(2 * kTicksPerLine, status, 41, 0);
    file.tracks[3].AddMeta(0, kMetaTrackName, text("Bass II"));  // a channel named already
    file.tracks[3].AddMessage(0, 0xC4, 33);

    const auto [song, report] = Imported(file, {.patternLines = 8});  // taken as 16
    EXPECT_EQ(MidiImportReportText(report), "Imported 12 notes; 1 dropped: SysEx (1).");
    for (int track : {0, 9}) EXPECT_EQ(song->sequence[0][track].pattern, 0);
    for (int row : {0, 16, 32, 48, 64})
        for (int track : {4, 5}) EXPECT_EQ(song->sequence[row][track].pattern, row / 64) << row;
    EXPECT_STREQ(song->patterns[1].name, "ch 4 bar 6");  // bars of 3/4: 12 lines
    EXPECT_EQ(song->patterns[1].lineCount, 16);
    EXPECT_STREQ(song->trackName[0], "Drums");
    EXPECT_STREQ(song->trackName[4], "Bass I, the fretless one, an o");  // 30 characters
    EXPECT_STREQ(song->trackName[5], "5");
    EXPECT_STREQ(song->trackName[9], "9");
    EXPECT_EQ(Cells(song->patterns[kPatternCount - 1]), "");  // the song before the names
    EXPECT_EQ(Imported(file, {.patternLines = 1000}).second.endRow, 256);
}

// Five tracks of notes on channel 0, the later tracks' sounding earlier, and two notes of one key
// overlapping: the notes take their columns in the order they play, ties in track order, and a
// note-off ends the earliest note of its key.
TEST(SongExchange, ImportTakesTheTracksTogetherInTheOrderTheyPlay) {
    const auto line = [](std::uint32_t n) { return n * kTicksPerLine; };
    MidiFileData file{.division = kDivision, .tracks = std::vector<MidiTrack>(5)};
    for (std::uint32_t t = 0; t < 5; ++t)
        AddNote(file.tracks[t], 0, 60 + t, 90, line((4 - t) * 4), line((4 - t) * 4 + 2));
    AddNote(file.tracks[3], 0, 59, 90, 0, line(2));
    AddNote(file.tracks[3], 0, 59, 91, line(1), line(3));
    EXPECT_EQ(SlotsAndCells(*Imported(file).first),
              " 0.0[ 0.0:59/90/-/0 0.1:64/90/-/0 1.2:59/91/-/0 2.0:off/-/-/0 2.1:off/-/-/0 "
              "3.2:off/-/-/0 4.0:63/90/-/0 6.0:off/-/-/0 8.0:62/90/-/0 10.0:off/-/-/0 "
              "12.0:61/90/-/0 14.0:off/-/-/0 16.0:60/90/-/0 18.0:off/-/-/0]");
}

// A pattern is named by its bar in the file's first meter, where that is whole lines.
TEST(SongExchange, ImportCountsBarsInTheFirstMeter) {
    using Meter = std::vector<std::uint8_t>;  // numerator, power of two of the denominator
    const struct {
        const char* name;
        std::vector<Meter> meters;
        const char* bar;  // of row 64
    } cases[] = {
        {.name = "none: 16 lines", .meters = {}, .bar = "ch 0 bar 5"},
        {.name = "3/4 in the two bytes that matter: 12 lines",
         .meters = {{3, 2}},
         .bar = "ch 0 bar 6"},
        {.name = "21/16: 21 lines", .meters = {{21, 4, 24, 8}}, .bar = "ch 0 bar 4"},
        {.name = "1/4: 4 lines", .meters = {{1, 2}}, .bar = "ch 0 bar 17"},
        {.name = "3/8, then 3/4: 6 lines", .meters = {{3, 3}, {3, 2}}, .bar = "ch 0 bar 11"},
        {.name = "0/4: none", .meters = {{0, 2}}, .bar = "ch 0 bar 5"},
        {.name = "2/32, counted in 32nd notes: none", .meters = {{2, 5}}, .bar = "ch 0 bar 5"},
    };
    for (const auto& c : cases) {
        MidiFileData file{.division = kDivision, .tracks = {{}}};
        std::uint32_t tick = 0;
        for (const Meter& meter : c.meters)
            file.tracks[0].AddMeta(std::exchange(tick, tick + 8 * kTicksPerLine),
                                   kMetaTimeSignature, meter);
        AddNote(file.tracks[0], 0, 60, 90, 64 * kTicksPerLine, 65 * kTicksPerLine);
        EXPECT_STREQ(Imported(file).first->patterns[0].name, c.bar) << c.name;
    }
}

TEST(SongExchange, TheImportedTempoAndTimeBaseSetTheLineLength) {
    const struct {
        const char* name;
        std::uint16_t division;
        int bpm;       // of the file's tempo; 0 for none
        int ms, line;  // the line length, and the line of tick 500
    } cases[] = {
        {.name = "no tempo: 120 BPM", .division = 96, .bpm = 0, .ms = 125, .line = 21},
        {.name = "30 BPM: held at 32", .division = 480, .bpm = 30, .ms = 468, .line = 4},
        {.name = "600 BPM: held at 512", .division = 480, .bpm = 600, .ms = 29, .line = 4},
        {.name = "0 us a quarter note: the fastest",
         .division = 480,
         .bpm = 60'000'001,
         .ms = 29,
         .line = 4},
        // 1000 ticks a second; its 100 BPM is no tempo of lines but 120
        {.name = "SMPTE", .division = 0xE728, .bpm = 100, .ms = 125, .line = 4},
    };
    for (const auto& c : cases) {
        MidiFileData file{.division = c.division, .tracks = {{}}};
        if (c.bpm) file.tracks[0].AddMeta(0, kMetaTempo, TempoOf(c.bpm));
        AddNote(file.tracks[0], 0, 60, 100, 500, 2000);
        const auto song = std::move(Imported(file).first);
        EXPECT_EQ(song->lineDuration, c.ms) << c.name;
        EXPECT_EQ(song->patterns[0].cells[c.line][0].note, 60) << c.name;
    }
}

// Running out of patterns is the cut-short test's.
TEST(SongExchange, ImportCountsWhatDoesNotFit) {
    MidiFileData file{.division = kDivision, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    for (std::uint8_t key = 0; key < 17; ++key) AddNote(track, 1, key, 90, 0, 96);
    AddNote(track, 1, 60, 90, kSequenceRows * kTicksPerLine, kSequenceRows * kTicksPerLine + 9);
    track.AddMessage(kSequenceRows * kTicksPerLine, 0xB1, 64, 127);
    track.AddMeta(kSequenceRows * kTicksPerLine, kMetaTempo, TempoOf(100));  // past it too
    // A line each: 120 BPM, then 300 and 20, which no Set BPM cell holds, and 120 again, which
    // is what plays: two changes dropped.
    std::uint32_t tick = 0;
    for (int bpm : {120, 300, 20, 120})
        track.AddMeta(std::exchange(tick, tick + kTicksPerLine), kMetaTempo, TempoOf(bpm));
    // Lines 0, 6 and 7 have a controller in every field of every track: the tempos on lines 6
    // and 7 find no field and are dropped; so is row 0's return to the first tempo, which is no
    // change the file made, and goes unsaid.
    for (std::uint32_t line : {0u, 6u, 7u})
        for (int channel = 0; channel < kTrackCount; ++channel)
            for (int c = 0; c < kTrackCount; ++c)
                track.AddMessage(line * kTicksPerLine, static_cast<std::uint8_t>(0xB0 | channel), c,
                                 1);
    track.AddMeta(5 * kTicksPerLine, kMetaTempo, TempoOf(90));
    track.AddMeta(6 * kTicksPerLine, kMetaTempo, TempoOf(110));
    track.AddMeta(7 * kTicksPerLine, kMetaTempo, TempoOf(105));
    for (std::uint8_t status : {0xE1, 0xA1, 0xD1}) track.AddMessage(0, status, 2, 3);
    track.AddSysEx(0, kSysExStart, std::vector<std::uint8_t>{0x7E, 0xF7});

    EXPECT_EQ(MidiImportReportText(Imported(file).second),
              "Imported 16 notes; 12 dropped: more than 16 at once (1), song longer than the grid "
              "(3), tempo changes after the first (4), pitch bend (1), aftertouch (2), SysEx (1).");
    EXPECT_EQ(Imported(MidiFileData{.tracks = {{}}}).second.endRow, 0);  // nothing to play
    EXPECT_EQ(MidiImportReportText({.notes = 1234567, .sysExes = 1000}),
              "Imported 1,234,567 notes; 1,000 dropped: SysEx (1,000).");
}

// Where the patterns run out or the grid ends, the notes laid before the cut end there: after
// one pass of the song nothing is left sounding for the stop to release.
TEST(SongExchange, ImportsCutShortEndEveryNoteAtTheCut) {
    // (channel, key, velocity, first line, line of the note-off)
    using Note = std::tuple<int, int, int, std::uint32_t, std::uint32_t>;
    const auto distinct = [](std::uint32_t stretch) {  // a pattern of 16 lines each
        return Note{0, 20 + stretch % 100, 1 + stretch / 100, stretch * 16, stretch * 16 + 1};
    };
    struct Case {
        const char* name;
        int lines;
        const char* report;
        int endRow;
        std::vector<Note> notes = {};
    } cases[] = {
        {.name = "a note sounds into the stretch where the patterns ran out",
         .lines = 16,
         .report = "Imported 128 notes; 2 dropped: more than 128 patterns (2).",
         .endRow = 127 * 16},
        {.name = "ending it takes a pattern too many: the stretch before goes too",
         .lines = 16,
         .report = "Imported 126 notes; 3 dropped: more than 128 patterns (3).",
         .endRow = 125 * 16},
        {.name = "released past the grid, and one starting on its last line",
         .lines = 64,
         .report = "Imported 1 note; 1 dropped: song longer than the grid (1).",
         .endRow = kSequenceRows,
         .notes = {{0, 60, 90, 16380, 16390}, {2, 64, 90, 16383, 16400}}},
        {.name = "released past the grid, in patterns longer than the last stretch",
         .lines = 100,
         .report = "Imported 1 note; 0 dropped.",
         .endRow = kSequenceRows,
         .notes = {{0, 60, 90, 16380, 16390}}},
    };
    for (std::uint32_t s = 0; s < 128; ++s) cases[0].notes.push_back(distinct(s));
    cases[0].notes.emplace_back(1, 90, 50, 126 * 16 + 8, 127 * 16 + 4);
    cases[0].notes.emplace_back(1, 91, 50, 126 * 16 + 15, 127 * 16 + 8);  // at the cut: dropped
    for (std::uint32_t s = 0; s < 127; ++s) cases[1].notes.push_back(distinct(s));
    cases[1].notes.emplace_back(1, 90, 50, 8, 20);  // its pattern is the one at row 2000 too
    cases[1].notes.emplace_back(1, 90, 50, 125 * 16 + 8, 126 * 16 + 4);

    const auto fresh = std::make_unique<Song>();
    MakeNewSong(*fresh);
    for (const Case& c : cases) {
        MidiFileData file{.format = 0, .division = kDivision, .tracks = {{}}};
        for (const auto& [channel, key, velocity, on, off] : c.notes)
            AddNote(file.tracks[0], channel, key, velocity, on * kTicksPerLine,
                    off * kTicksPerLine);
        const auto [song, report] = Imported(file, {.patternLines = c.lines});
        EXPECT_EQ(MidiImportReportText(report), c.report) << c.name;
        // Nothing of what was cut stays in the song.
        for (int p = report.patterns; p < kPatternCount; ++p)
            EXPECT_EQ(std::string(song->patterns[p].name) + Cells(song->patterns[p]) + "/" +
                          std::to_string(song->patterns[p].lineCount),
                      "empty/64")
                << c.name << p;
        for (int row = report.endRow; row < kSequenceRows; ++row)
            EXPECT_EQ(
                std::memcmp(song->sequence[row], fresh->sequence[row], sizeof song->sequence[row]),
                0)
                << c.name << row;
        RenderedPass pass;
        std::string whyNot;
        ASSERT_TRUE(RenderSongPass(*song, report.endRow, pass, whyNot)) << whyNot;
        EXPECT_EQ(pass.LineCount(), c.endRow) << c.name;
        EXPECT_TRUE(std::none_of(pass.messages.begin(), pass.messages.end(),
                                 [&](const RenderedMessage& m) { return m.line == c.endRow; }))
            << c.name;  // what the stop would release
    }
}

// What a file plays, as a song can hold it: the tempo map, each channel's controllers and
// program changes with their ticks, its notes on their nearest lines (a note the song pushed
// half a line late comes back on the line after) and how many note-offs it sends.
struct PlayedEvents {
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> tempos;
    std::vector<std::tuple<std::uint32_t, int, int, int>> controls;  // in file order
    std::vector<std::tuple<int, int, int, std::uint32_t>> notes;     // channel, key, velocity, line
    int noteOffs = 0;

    bool operator==(const PlayedEvents&) const = default;
};

PlayedEvents PlayedEventsOf(const std::string& path) {
    MidiFileData file;
    std::string whyNot;
    EXPECT_TRUE(ReadMidiFile(ReadBytes(path), file, whyNot)) << path << ": " << whyNot;
    PlayedEvents played;
    for (const MidiTrack& track : file.tracks)
        for (const MidiEvent& event : track.events) {
            const int kind = event.status & 0xF0;
            if (event.status == kMetaEvent && event.data1 == kMetaTempo) {
                const auto data = track.DataOf(event);
                played.tempos.emplace_back(event.tick,
                                           std::vector<std::uint8_t>(data.begin(), data.end()));
            } else if (kind == 0xB0 || kind == 0xC0) {
                played.controls.emplace_back(event.tick, event.status, event.data1, event.data2);
            } else if (kind == 0x90 && event.data2 > 0) {
                played.notes.emplace_back(event.status & 0x0F, event.data1, event.data2,
                                          (event.tick + kTicksPerLine / 2) / kTicksPerLine);
            } else if ((kind & 0xE0) == 0x80) {
                ++played.noteOffs;
            }
        }
    std::sort(played.notes.begin(), played.notes.end());
    return played;
}

// While the document plays a note, a MIDI and an audio export render copies of their own. The
// demo's export, as an independent reader (mido) reads it, holds the notes and controllers that
// playing the demo sends, channel by channel and in order, each in the line it was played in;
// imported again (its count is the command line's test's), its export plays what the demo's
// does: its tempo change and set-up controllers at the same ticks.
TEST(SongExchange, ExportsLeaveThePlayerAloneAndTheDemoComesBackFromItsFileWhole) {
    testing::TempFolder folder;
    testing::TestDocument t;
    CFennoralDoc& doc = *t.doc;
    testing::Locked(doc, [&] {
        doc.song.patterns[0].cells[0][0] = {60, 0x50, kNoCommand, 0};
        doc.song.sequence[0][0] = {0, 0, 0};
        doc.editor.loopEndRow = 8;  // 960 ms
        doc.StartPlayback(kSongMode);
        for (int tick = 0; tick < 10; ++tick) doc.PlayerTick();
    });
    t.Settle();
    ASSERT_TRUE(doc.ExportMidiSong(folder.Path("song.mid")));
    // The live note is none of the file's.
    const PlayedEvents song = PlayedEventsOf(folder.Path("song.mid"));
    EXPECT_EQ(song.notes, (decltype(PlayedEvents::notes){{0, 60, 0x50, 0}}));
    EXPECT_EQ(song.noteOffs, 1);

    const std::string python = "/usr/bin/python3";
#ifdef _WIN32
    const bool haveSynth = false;  // no built-in synth in a Windows build yet
    const bool haveMido = false;   // CI compares the Windows export instead
#else
    const bool haveSynth = std::filesystem::exists(SynthMidiOut::kDefaultSoundFont);
    const bool haveMido = std::system((python + " -c 'import mido' 2>/dev/null").c_str()) == 0;
#endif
    if (haveSynth) {
        // Cancelled halfway, or failing at the rename (the target is a folder): the old file
        // stays as it was and nothing else is left behind.
        const std::string wav = folder.Path("song.wav");
        testing::WriteBytes(wav, {'o', 'l', 'd'});
        std::filesystem::create_directory(folder.Path("folder.wav"));
        const auto cancelled = doc.ExportAudioSong(wav, {}, [](double done) { return done < 0.5; });
        EXPECT_TRUE(cancelled && *cancelled == ExportOutcome::Cancelled);
        const auto failed = doc.ExportAudioSong(folder.Path("folder.wav"), {}, {});
        ASSERT_FALSE(failed);
        EXPECT_NE(failed.failure().text.find("(replacing the old file failed: Is a"),
                  std::string::npos);
        EXPECT_EQ(ReadBytes(wav), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        const auto done = doc.ExportAudioSong(wav, {}, {});
        EXPECT_TRUE(done && *done == ExportOutcome::Done);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"folder.wav", "song.mid", "song.wav"}));
    }
    const auto notExported = doc.ExportMidiSong(folder.Path("no/folder/song.mid"));
    ASSERT_FALSE(notExported);
    EXPECT_EQ(notExported.failure().text,
              "The MIDI file could not be saved as\n" + folder.Path("no/folder/song.mid") +
                  "\n(cannot create a file in its folder: No such file or directory).\nA file "
                  "that was there before is unchanged.");
    EXPECT_EQ(t.midi.Messages().size(), 0u);
    testing::Locked(doc, [&] {
        EXPECT_EQ(doc.song.soundingNote[0][0], 60);
        EXPECT_EQ(doc.player.playWatch, 20);
    });

    ASSERT_TRUE(doc.LoadSong(TARVEL_SOURCE_DIR "/examples/demo.trv"));
    ASSERT_TRUE(doc.ExportMidiSong(folder.Path("demo.mid")));
    t.Settle();
    if (haveMido) {
        // The demo played by the document's own player, tick by tick as the clock would; each
        // message stamped with its line.
        testing::Locked(doc, [&] {
            const int rows = doc.editor.loopEndRow;
            doc.StartPlayback(kSongMode);
            for (int line = -1;;) {
                if (doc.player.lineClock == 0 && ++line == rows) break;
                t.midi.SetStamp(line);
                doc.PlayerTick();
            }
            t.midi.SetStamp(rows);
            doc.StopPlayback();
        });
        std::vector<RecordedMessage> sent = t.midi.Messages();
        std::stable_sort(sent.begin(), sent.end(), [](const auto& a, const auto& b) {
            return (a.bytes[0] & 0x0F) < (b.bytes[0] & 0x0F);
        });
        const std::map<int, std::string> names = {
            {0x80, "note_off"}, {0x90, "note_on"}, {0xB0, "control_change"}};
        std::string expected;
        for (const RecordedMessage& m : sent)
            if (names.count(m.bytes[0] & 0xF0))
                expected += std::to_string(m.bytes[0] & 0x0F) + " " + std::to_string(m.stamp) +
                            " " + names.at(m.bytes[0] & 0xF0) + " " + std::to_string(m.bytes[1]) +
                            " " + std::to_string(m.bytes[2]) + "\n";
        const std::string command = python +
                                    " " TARVEL_SOURCE_DIR "/tests/support/midi_events.py " +
                                    folder.Path("demo.mid") + " >" + folder.Path("read.txt");
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::vector<std::uint8_t> read = ReadBytes(folder.Path("read.txt"));
        EXPECT_EQ(std::string(read.begin(), read.end()), expected);
    }
    ASSERT_TRUE(doc.ImportMidiSong(folder.Path("demo.mid"), 64));
    t.Settle();
    ASSERT_TRUE(doc.ExportMidiSong(folder.Path("again.mid")));
    EXPECT_TRUE(PlayedEventsOf(folder.Path("again.mid")) ==
                PlayedEventsOf(folder.Path("demo.mid")));
}

}  // namespace
}  // namespace tarvel

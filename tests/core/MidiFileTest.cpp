// MIDI files: written and read byte by byte, damage refused; songs rendered as the player sends
// them and exported as MIDI files; songs in from MIDI files, notes placed on lines and columns,
// what does not fit counted, imports cut short that still end every note; and the document's
// exports to real files, which leave the live player, its ports and any old file alone.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <tuple>
#include <utility>

#include "engine/MidiExport.h"
#include "song/MidiImport.h"
#include "song/SongOps.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ReadBytes;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Chunk(const char* id, const Bytes& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    return Cat({Bytes(id, id + 4),
                {Bytes::value_type(n >> 24), Bytes::value_type(n >> 16), Bytes::value_type(n >> 8),
                 Bytes::value_type(n)},
                body});
}

Bytes Header(int tracks, int format = 1, int division = 96) {
    return Chunk("MThd", {0, Bytes::value_type(format), Bytes::value_type(tracks >> 8),
                          Bytes::value_type(tracks), Bytes::value_type(division >> 8),
                          Bytes::value_type(division)});
}

Bytes OneTrack(const Bytes& body) {
    return Cat({Header(1), Chunk("MTrk", body)});
}

std::string Hex(int byte) {
    char text[4];
    std::snprintf(text, sizeof text, "%02x", byte);
    return text;
}

// "@tick status data1 data2" for channel messages, "@tick ff51[07 a1 20]" for meta and SysEx,
// "@tick ff03"name"" for a track's name; tracks apart by " | ".
std::string Describe(const MidiFileData& file) {
    std::string text =
        "format " + std::to_string(file.format) + " division " + std::to_string(file.division);
    for (const MidiTrack& track : file.tracks) {
        text += " |";
        for (const MidiEvent& event : track.events) {
            text += " @" + std::to_string(event.tick) + " ";
            if (event.status < 0xF0) {
                text += Hex(event.status) + " " + Hex(event.data1) + " " + Hex(event.data2);
                continue;
            }
            const auto data = track.DataOf(event);
            if (event.status == kMetaEvent && event.data1 == kMetaTrackName) {
                text += "ff03\"" + std::string(data.begin(), data.end()) + "\"";
                continue;
            }
            text +=
                (event.status == kMetaEvent ? "ff" + Hex(event.data1) : Hex(event.status)) + "[";
            for (std::uint8_t byte : data) text += Hex(byte) + " ";
            if (text.back() == ' ') text.pop_back();
            text += "]";
        }
    }
    return text;
}

// A refusal leaves the file it was to fill as it was.
std::string ReadAndDescribe(std::span<const std::uint8_t> bytes) {
    MidiFileData file{.format = 0, .division = 7, .tracks = {{}}};
    std::string whyNot;
    if (ReadMidiFile(bytes, file, whyNot)) return Describe(file);
    return "refused: " + whyNot + (Describe(file) == "format 0 division 7 |" ? "" : " (changed)");
}

TEST(MidiFileWriter, WritesSortedDeltaTimesRunningStatusAndOneEndOfTrack) {
    MidiFileData file{.format = 0, .division = 96, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    track.AddMessage(0, 0x90, 0x3C, 0x40);
    track.AddMessage(96, 0x90, 0x3C, 0x00);                  // running status
    track.AddMeta(96, kMetaTempo, Bytes{0x07, 0xA1, 0x20});  // ends the running status
    track.AddMessage(200, 0x90, 0xC0, 0xFF);                 // data bytes kept to 7 bits
    track.AddMessage(400, 0x80, 0x40, 0x00);                 // a two-byte delta time
    track.AddMessage(400, 0xF8, 0, 0);                       // real time: no place in a file
    track.AddMeta(500, kMetaEndOfTrack, {});                 // gives the track's end
    EXPECT_EQ(WriteMidiFile(file),
              Cat({Header(1, 0, 96),
                   Chunk("MTrk", {0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xFF,
                                  0x51, 0x03, 0x07, 0xA1, 0x20, 0x68, 0x90, 0x40, 0x7F,
                                  0x81, 0x48, 0x80, 0x40, 0x00, 0x64, 0xFF, 0x2F, 0x00})}));

    // Sorted by tick, ties kept in order; a gap too long for one delta time gets a bridge.
    file = {.tracks = {{}}};
    file.tracks[0].AddMessage(0x20000000, 0x90, 1, 1);
    file.tracks[0].AddMessage(5, 0xC0, 2);
    file.tracks[0].AddMessage(5, 0xC0, 3);
    EXPECT_EQ(ReadAndDescribe(WriteMidiFile(file)),
              "format 1 division 480 | @5 c0 02 00 @5 c0 03 00 @268435460 ff01[] "
              "@536870912 90 01 01 @536870912 ff2f[]");
}

// Every kind of event reads back as written, and every cut short of the whole file is refused.
TEST(MidiFile, EveryKindOfEventRoundTripsAndEveryTruncationIsRefused) {
    MidiFileData file{.format = 1, .division = 0xE728, .tracks = {{}, {}}};  // SMPTE 25 x 40
    MidiTrack& first = file.tracks[0];
    std::uint32_t tick = 0;
    for (std::uint8_t status : {0x80, 0x90, 0x90, 0xA3, 0xB4, 0xB4, 0xC5, 0xD6, 0xE7, 0xEF}) {
        tick += 7;
        const bool oneDataByte = (status & 0xE0) == 0xC0;
        first.AddMessage(tick, status, tick & 0x7F, oneDataByte ? 0 : (tick * 3) & 0x7F);
    }
    first.AddSysEx(tick, kSysExStart, Bytes{0x43, 0x10, 0x4C, 0xF7});
    first.AddSysEx(tick + 1, kSysExEscape, Bytes{0xF3, 0x01});
    for (std::size_t size : {0, 1, 127, 128, 20000})
        first.AddMeta(tick += 0x0FFFFFF, 0x7F, Bytes(size, static_cast<std::uint8_t>(size)));
    first.AddMessage(tick, 0xD6, 9);  // after a meta event the status is written again
    first.AddMeta(tick + 9, kMetaEndOfTrack, {});
    file.tracks[1].AddMeta(0, kMetaEndOfTrack, {});

    const Bytes whole = WriteMidiFile(file);
    EXPECT_EQ(ReadAndDescribe(whole), Describe(file));
    for (std::size_t size = 0; size < whole.size(); ++size)  // with a reason, and nothing read
        EXPECT_THAT(ReadAndDescribe({whole.data(), size}),
                    ::testing::MatchesRegex("refused: [^(]+"))
            << size;
}

// What writers really write reads as they meant it; damage is refused with a one-line reason and
// leaves the file to fill as it was.
TEST(MidiFileReader, ReadsWhatWritersReallyWriteAndRefusesDamage) {
    const Bytes endOfTrack = {0x00, 0xFF, 0x2F, 0x00};
    std::string fives;  // 127 of them
    for (int i = 0; i < 127; ++i) fives += "55 ";
    Bytes tooMany = {0x00, 0xC0, 0x05};
    tooMany.resize(3 + 2 * kMidiEventLimit, 0x00);  // each further event: a delta and a program
    Bytes manyDeltas = {0x00, 0x90, 0x3C, 0x40};
    for (int i = 0; i < 17; ++i)
        manyDeltas.insert(manyDeltas.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x00});
    const std::string read = "format 1 division 96 |";
    const struct {
        Bytes bytes;
        std::string outcome;  // what it reads as, or the end of the reason it is refused
    } cases[] = {
        // Running status across meta and SysEx.
        {OneTrack({0x00, 0xC1, 0x05, 0x00, 0xFF, 0x01, 0x01, 0x41, 0x00, 0x06, 0x00, 0xF0, 0x01,
                   0xF7, 0x00, 0x07}),
         read + " @0 c1 05 00 @0 ff01[41] @0 c1 06 00 @0 f0[f7] @0 c1 07 00"},
        // SysEx in parts, a meta event of a two-byte length.
        {OneTrack(Cat(
             {{0x00, 0xF0, 0x02, 0x43, 0x12, 0x05, 0xF7, 0x01, 0xF7, 0x00, 0xFF, 0x7F, 0x81, 0x00},
              Bytes(128, 0x55)})),
         read + " @0 f0[43 12] @5 f7[f7] @5 ff7f[" + fives + "55]"},
        // Unknown chunks, a longer header, bytes after the last track and after End of Track.
        {Cat({Chunk("MThd", {0, 1, 0, 2, 0, 96, 0xAB, 0xCD}),
              Chunk("XFIH", {1, 2, 3}),
              Chunk("MTrk", Cat({endOfTrack, {0x00, 0x90, 0x3C}})),
              Chunk("MTrk", {}),
              {0, 0, 0}}),
         read + " @0 ff2f[] |"},
        // A RIFF MIDI file.
        {Cat({{'R', 'I', 'F', 'F', 30, 0,    0,    0,   'R', 'M', 'I', 'D', 'L', 'I', 'S',
               'T', 1,   0,   0,   0,  0x99, 0x00, 'd', 'a', 't', 'a', 26,  0,   0,   0},
              OneTrack(endOfTrack)}),
         read + " @0 ff2f[]"},
        {Bytes(4096, 0), "not a MIDI file: it does not start with \"MThd\""},
        {{'M', 'T', 'h', 'd', 0, 0}, "the file ends inside its header"},
        {Chunk("MThd", {0, 1, 0, 1}), "a header chunk of 4 bytes, less than the 6 it needs"},
        {Header(1, 2), "MIDI file format 2; only formats 0 and 1 can be read"},
        {Header(1, 1, 0), "the header gives 0 ticks per quarter note"},
        {Header(1, 1, 0xE700), "the header gives 0 ticks per SMPTE frame"},
        {Header(1025), "1025 tracks, more than the 1024 that can be read"},
        {Cat({Header(2), Chunk("MTrk", {})}), "holds 1 of the 2 tracks its header counts"},
        {Cat({Header(1), {'\x01', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF}}),
         "chunk \"?Trk\" at byte 14 claims 4294967295 bytes, but only 0 follow"},
        {OneTrack({0x00, 0x3C, 0x40}),
         "track 1: data byte 3C at byte 23 where a status byte is needed"},
        {OneTrack({0x00, 0x90, 0x3C, 0x90}),
         "track 1: byte 90 at byte 25 where a data byte is needed"},
        {OneTrack({0x80, 0x80, 0x80, 0x80, 0x00}),
         "track 1: variable-length number longer than 4 bytes at byte 22"},
        {OneTrack({0x00, 0xF0, 0x05, 0x43, 0xF7}),
         "track 1: event of 5 bytes at byte 25 runs past the end of the track"},
        {OneTrack({0x00, 0xF4}), "track 1: status byte F4 at byte 23 cannot stand in a MIDI file"},
        {OneTrack(manyDeltas), "track 1: runs past tick 4294967295 at byte 122"},
        {Cat({Header(2), Chunk("MTrk", {}), Chunk("MTrk", {0x00, 0xA0})}),
         "track 2: ends inside an event at byte 32"},
        {{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
         "a RIFF file, but not a MIDI file (no \"RMID\" type)"},
        {{'R', 'I', 'F', 'F', 12, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a', 9, 0, 0, 0},
         "RIFF chunk \"data\" at byte 12 runs past the end of the file"},
        {{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'},
         "a RIFF MIDI file without its \"data\" chunk"},
        {Bytes(kMidiFileSizeLimit + 1), "larger than 64 MB, more than any MIDI file needs"},
        {OneTrack(tooMany), "track 1: more than 2000000 events in the file"},
    };
    for (const auto& c : cases)
        EXPECT_THAT(ReadAndDescribe(c.bytes),
                    ::testing::AllOf(::testing::EndsWith(c.outcome),
                                     ::testing::Not(::testing::HasSubstr("\n"))));
    tooMany.resize(tooMany.size() - 2);  // the most events it takes on
    MidiFileData file;
    std::string whyNot;
    ASSERT_TRUE(ReadMidiFile(OneTrack(tooMany), file, whyNot)) << whyNot;
    EXPECT_EQ(file.tracks[0].events.size(), kMidiEventLimit);
}

constexpr std::uint16_t kDivision = 96;  // 24 ticks a line
constexpr std::uint32_t kTicksPerLine = kDivision / 4;

std::unique_ptr<Song> NewSong() {
    auto song = std::make_unique<Song>();
    MakeNewSong(*song);
    return song;
}

void AddNote(MidiTrack& track, int channel, int key, int velocity, std::uint32_t on,
             std::uint32_t off) {
    track.AddMessage(on, static_cast<std::uint8_t>(0x90 | channel), key, velocity);
    track.AddMessage(off, static_cast<std::uint8_t>(0x80 | channel), key, 0x40);
}

std::vector<std::uint8_t> TempoOf(int bpm) {
    const auto micros = static_cast<std::uint32_t>(60'000'000 / bpm);
    return {static_cast<std::uint8_t>(micros >> 16), static_cast<std::uint8_t>(micros >> 8),
            static_cast<std::uint8_t>(micros)};
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

// Four lines on track 0 (channel 0, routed to device 1): a gated note, a delayed one, a timing
// clock, then a tempo change to 130 BPM with a retriggered note. Exported, the file holds the
// pass, each message at its line's tick and its place in the line, with its tempo map and a
// track for the channel named after its program. (That the render sends at the player's times
// is the feel commands' test.)
TEST(MidiExport, ASongRendersAtThePlayersTimesAndTheFileHoldsThePassWithItsTempoMap) {
    auto song = NewSong();
    song->channelProgram[0] = 4;
    song->channelDevice[0] = 1;
    auto& cells = song->patterns[0].cells;
    cells[0][0] = {60, 0x50, 0x80, 0};
    cells[1][1] = {62, 0x50, 0xD0, 0};
    cells[1][2] = {kNoNote, 0xFF, 0xF8, 0};
    cells[2][0] = {kNoNote, 0xFF, 0x90, 130};
    cells[2][3] = {64, 0x50, 0xE0, 0};
    song->patterns[0].lineCount = 4;
    song->sequence[0][0] = {0, 0, 0};
    MidiFileData file;
    MidiExportReport report;
    std::string whyNot;
    ASSERT_TRUE(ExportSongAsMidi(*song, 4, file, report, whyNot)) << whyNot;
    // 4 lines of 120 ms make a quarter note of 480,000 us; of 116 ms, 464,000 us. 24 ticks a line;
    // within a line, ticks follow its milliseconds: the gate at 60 of 120 ms (tick 12), the delay
    // at 60 and the retrigger at 58 of 116 (tick 12 of their lines).
    EXPECT_EQ(ReadAndDescribe(WriteMidiFile(file)),
              "format 1 division 96 | @0 ff58[04 02 18 08] @0 ff51[07 53 00] @48 ff51[07 14 80] "
              "@96 ff2f[] | @0 ff03\"Electric Piano 1\" @0 c0 04 00 @0 90 3c 50 @12 80 3c 64 "
              "@36 90 3e 50 @48 90 40 50 @60 80 40 64 @60 90 40 50 @96 80 3e 64 @96 80 40 64 "
              "@96 ff2f[]");
    EXPECT_EQ(MidiExportNotice(report), "1 real-time message could not be stored in a MIDI file.");

    song->lineDuration = 5000;  // damaged: 20 s a quarter note, slower than a file can say
    EXPECT_FALSE(ExportSongAsMidi(*song, 4, file, report, whyNot));
    EXPECT_EQ(whyNot, "line 0 lasts 5000 ms, longer than the slowest tempo a MIDI file holds");
    song->lineDuration = 2'000'000'000;  // one line would last 23 days
    RenderedPass pass;
    EXPECT_FALSE(RenderSongPass(*song, 4, pass, whyNot));
    EXPECT_EQ(whyNot, "the song plays longer than 3 hours; is its tempo damaged?");

    // Every system message a cell can send, a line each: F0 (never sent alone) to FE.
    MakeNewSong(*song);
    song->sequence[0][0] = {0, 0, 0};
    for (int status = 0xF0; status <= 0xFE; ++status)
        song->patterns[0].cells[status - 0xF0][0] = {kNoNote, 0xFF,
                                                     static_cast<std::uint8_t>(status), 0x25};
    ASSERT_TRUE(ExportSongAsMidi(*song, 15, file, report, whyNot)) << whyNot;
    EXPECT_EQ(Describe(file),
              "format 1 division 96 | @0 ff58[04 02 18 08] @0 ff51[07 53 00] @24 f7[f1 00] "
              "@48 f7[f2 00 25] @72 f7[f3 00] @144 f7[f6] @360 ff2f[]");
    EXPECT_EQ(MidiExportNotice(report),
              "7 real-time messages and 3 undefined system messages could not be stored in a MIDI "
              "file.");
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
    AddNote(track, 9, 36, 110, at(1), at(3));

    auto song = NewSong();
    const MidiImportReport report = ImportMidiFile(file, *song);
    EXPECT_EQ(MidiImportReportText(report), "Imported 7 notes; 0 dropped.");
    EXPECT_EQ(song->channelProgram[2], 5);
    EXPECT_EQ(SlotsAndCells(*song),
              " 0.2[ 0.0:60/100/7/90 0.1:-/-/10/64 0.2:-/-/1/9 0.3:-/-/7/80 2.1:64/101/-/0 "
              "3.0:-/-/176/6 4.0:67/102/-/0 4.1:off/-/-/0 5.1:72/103/-/0 7.1:off/-/-/0 "
              "8.0:off/-/-/0 9.0:50/104/-/0 10.0:off/-/-/0 62.0:55/105/-/0] "
              "0.9[ 1.0:36/110/-/0 3.0:off/-/-/0] 64.2[ 6.0:off/-/-/0]");
    EXPECT_EQ(song->sequence[0][9].pattern, 1);  // numbered as they come
    EXPECT_STREQ(song->patterns[2].name, "ch 2 bar 5");
    EXPECT_EQ(Cells(song->patterns[3]), "");  // the rest stays as a new song has it
    EXPECT_STREQ(song->patterns[3].name, "empty");
}

// Patterns of 16 lines; each file starts at 125 BPM with a note on channel 0 at line 0.
TEST(SongExchange, ImportKeepsTempoChangesAsSetBpmCellsAndControllersInFreeFields) {
    using Event = std::function<void(MidiTrack&)>;
    const auto tick = [](double line) { return static_cast<std::uint32_t>(line * kTicksPerLine); };
    const auto tempo = [&](double line, int bpm) -> Event {
        return [=](MidiTrack& t) { t.AddMeta(tick(line), kMetaTempo, TempoOf(bpm)); };
    };
    const auto cc = [&](double line, int number, int value, int count = 1) -> Event {
        return [=](MidiTrack& t) {  // `count` controllers from `number` on
            for (int c = number; c < number + count; ++c) t.AddMessage(tick(line), 0xB0, c, value);
        };
    };
    const auto note = [&](int channel, int key, int velocity, double line) -> Event {
        return
            [=](MidiTrack& t) { AddNote(t, channel, key, velocity, tick(line), tick(line + 1)); };
    };
    const auto sixteen = [](const char* three) {  // the sixteen controllers on line 2, #3's value
        std::string text;
        for (int c = 0; c < 16; ++c)
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
    } cases[] = {
        // The controller, on a line of no note, takes the first field; the tempo, the next.
        {.name = "a tempo change on a line, and row 0 brings a loop back to the first",
         .events = {cc(5, 91, 40), tempo(5, 132)},
         .cells = " 0.0[" + kReset + " 5.0:-/-/91/40 5.1:-/-/144/132]"},
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
         .cells = " 0.0[" + kReset + sixteen("1") + "] 0.1[ 2.0:-/-/144/132]"},
        {.name = "controllers before and after a line's notes: sent before and after them",
         .events = {cc(4, 10, 64), note(0, 64, 101, 4), note(0, 67, 102, 4), cc(4.2, 7, 90)},
         .report = "Imported 3 notes; 0 dropped.",
         .cells = " 0.0[" + kNote +
                  " 4.0:64/101/10/64 4.1:67/102/-/0 4.2:-/-/7/90 5.0:off/-/-/0 5.1:off/-/-/0]"},
        {.name = "a 17th controller on a line: dropped",
         .events = {cc(2, 0, 1, 16), cc(2, 16, 1)},
         .report = "Imported 1 note; 1 dropped: other controllers (1).",
         .cells = " 0.0[" + kNote + sixteen("1") + "]"},
        {.name = "with the fields full, a controller already on the line takes its later value",
         .events = {cc(2, 0, 1, 16), cc(2.4, 3, 99)},
         .cells = " 0.0[" + kNote + sixteen("99") + "]"},
    };
    for (const auto& c : cases) {
        MidiFileData file{.format = 0, .division = kDivision, .tracks = {{}}};
        for (const Event& event : {tempo(0, 125), note(0, 60, 100, 0)}) event(file.tracks[0]);
        for (const Event& event : c.events) event(file.tracks[0]);
        auto song = NewSong();
        const MidiImportReport report = ImportMidiFile(file, *song, {.patternLines = 16});
        EXPECT_EQ(MidiImportReportText(report), c.report) << c.name;
        EXPECT_EQ(SlotsAndCells(*song), c.cells) << c.name;
        EXPECT_EQ(song->lineDuration, 120) << c.name;
    }
}

TEST(SongExchange, ImportSharesPatternsBetweenEqualStretchesAndNamesThemByBarAndTrack) {
    MidiFileData file{.division = kDivision, .tracks = {{}, {}}};
    file.tracks[0].AddMeta(0, kMetaTimeSignature, std::vector<std::uint8_t>{3, 2, 24, 8});
    file.tracks[1].AddMeta(0, kMetaTrackName,
                           std::vector<std::uint8_t>{'B', 'a', 's', 's', '\t', 'I'});
    for (std::uint32_t stretch = 0; stretch < 5; ++stretch)
        for (int channel : {4, 5})
            AddNote(file.tracks[1], channel, stretch == 4 ? 40 : 41, 90,
                    stretch * 16 * kTicksPerLine, (stretch * 16 + 2) * kTicksPerLine);

    auto song = NewSong();
    const MidiImportReport report =
        ImportMidiFile(file, *song, {.patternLines = 8});  // taken as 16
    EXPECT_EQ(report.patterns, 2);
    EXPECT_EQ(MidiImportReportText(report), "Imported 10 notes; 0 dropped.");
    for (int row : {0, 16, 32, 48, 64})
        for (int track : {4, 5}) EXPECT_EQ(song->sequence[row][track].pattern, row / 64) << row;
    EXPECT_STREQ(song->patterns[1].name, "ch 4 bar 6");  // bars of 3/4: 12 lines
    EXPECT_EQ(song->patterns[1].lineCount, 16);
    EXPECT_STREQ(song->trackName[4], "Bass I");
    EXPECT_STREQ(song->trackName[5], "5");
    EXPECT_EQ(ImportMidiFile(file, *NewSong(), {.patternLines = 1000}).endRow, 256);
}

TEST(SongExchange, TheImportedTempoAndTimeBaseSetTheLineLength) {
    const struct {
        const char* name;
        std::uint16_t division;
        int bpm;       // of the file's tempo; 0 for none
        int ms, line;  // the line length, and the line of tick 250
    } cases[] = {
        {.name = "no tempo: 120 BPM", .division = 96, .bpm = 0, .ms = 125, .line = 10},
        {.name = "30 BPM: held at 32", .division = 480, .bpm = 30, .ms = 468, .line = 2},
        {.name = "600 BPM: held at 512", .division = 480, .bpm = 600, .ms = 29, .line = 2},
        // 1000 ticks a second; its 100 BPM is no tempo of lines but 120
        {.name = "SMPTE", .division = 0xE728, .bpm = 100, .ms = 125, .line = 2},
    };
    for (const auto& c : cases) {
        MidiFileData file{.division = c.division, .tracks = {{}}};
        if (c.bpm) file.tracks[0].AddMeta(0, kMetaTempo, TempoOf(c.bpm));
        AddNote(file.tracks[0], 0, 60, 100, 250, 2000);
        auto song = NewSong();
        ImportMidiFile(file, *song);
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
    for (std::uint8_t status : {0xE1, 0xA1, 0xD1}) track.AddMessage(0, status, 2, 3);
    track.AddSysEx(0, kSysExStart, std::vector<std::uint8_t>{0x7E, 0xF7});

    EXPECT_EQ(MidiImportReportText(ImportMidiFile(file, *NewSong())),
              "Imported 16 notes; 10 dropped: more than 16 at once (1), song longer than the grid "
              "(3), tempo changes after the first (2), pitch bend (1), aftertouch (2), SysEx (1).");
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
         .report = "Imported 128 notes; 1 dropped: more than 128 patterns (1).",
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
    };
    for (std::uint32_t s = 0; s < 128; ++s) cases[0].notes.push_back(distinct(s));
    cases[0].notes.emplace_back(1, 90, 50, 126 * 16 + 8, 127 * 16 + 4);
    for (std::uint32_t s = 0; s < 127; ++s) cases[1].notes.push_back(distinct(s));
    cases[1].notes.emplace_back(1, 90, 50, 8, 20);  // its pattern is the one at row 2000 too
    cases[1].notes.emplace_back(1, 90, 50, 125 * 16 + 8, 126 * 16 + 4);

    for (const Case& c : cases) {
        MidiFileData file{.format = 0, .division = kDivision, .tracks = {{}}};
        for (const auto& [channel, key, velocity, on, off] : c.notes)
            AddNote(file.tracks[0], channel, key, velocity, on * kTicksPerLine,
                    off * kTicksPerLine);
        auto song = NewSong();
        const MidiImportReport report = ImportMidiFile(file, *song, {.patternLines = c.lines});
        EXPECT_EQ(MidiImportReportText(report), c.report) << c.name;
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
// imported again it drops nothing, and its export plays what the demo's does: its tempo change
// and set-up controllers at the same ticks.
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
        EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 1500);
    }
    const Fallible<MidiImportReport> report = doc.ImportMidiSong(folder.Path("demo.mid"), 64);
    ASSERT_TRUE(report);
    EXPECT_EQ(MidiImportReportText(*report), "Imported 863 notes; 0 dropped.");
    t.Settle();
    ASSERT_TRUE(doc.ExportMidiSong(folder.Path("again.mid")));
    const PlayedEvents played = PlayedEventsOf(folder.Path("demo.mid"));
    EXPECT_EQ(played.tempos.size(), 2u);  // 125 BPM, then 132 from row 256
    EXPECT_GT(played.controls.size(), 80u);
    EXPECT_TRUE(PlayedEventsOf(folder.Path("again.mid")) == played);
}

}  // namespace
}  // namespace tarvel

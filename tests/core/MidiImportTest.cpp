#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <tuple>

#include "song/MidiImport.h"
#include "song/SongOps.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

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

template <typename... Parts>
std::string Cat(const Parts&... parts) {
    std::ostringstream text;
    (text << ... << parts);
    return text.str();
}

// The cells in use, line by line: " line.column:note/velocity/command/parameter", 255 as "-".
std::string Cells(const Pattern& pattern) {
    std::string text;
    const auto byte = [](int value) { return value == 0xFF ? "-" : std::to_string(value); };
    for (int line = 0; line < kPatternLines; ++line)
        for (int column = 0; column < kTrackCount; ++column) {
            const PatternCell& c = pattern.cells[line][column];
            if (std::memcmp(&c, &kEmptyCell, sizeof c) == 0) continue;
            text += Cat(" ", line, ".", column, ":", c.note == kNoteOff ? "off" : byte(c.note), "/",
                        byte(c.velocity), "/", byte(c.command), "/", int{c.parameter});
        }
    return text;
}

TEST(MidiImport, PlacesNotesOnLinesAndColumnsAsVoicesWithTheirControllers) {
    MidiFileData file{.format = 0, .division = kDivision, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    const auto at = [](double line) { return static_cast<std::uint32_t>(line * kTicksPerLine); };
    track.AddMeta(0, kMetaTempo, std::vector<std::uint8_t>{0x07, 0xA1, 0x20});
    track.AddMessage(0, 0xC2, 5);      // the channel's program
    track.AddMessage(at(3), 0xC2, 6);  // a program change in a cell
    track.AddMessage(0, 0xB2, 7, 90);  // volume, pan, volume again
    track.AddMessage(0, 0xB2, 10, 64);
    track.AddMessage(at(0.2), 0xB2, 7, 80);
    track.AddMessage(0, 0xB2, 1, 9);         // modulation: dropped
    AddNote(track, 2, 60, 100, 0, at(4));    // column 0
    track.AddMessage(at(2), 0x92, 64, 101);  // column 1, ended by a note-on of velocity 0
    track.AddMessage(at(4), 0x92, 64, 0);
    AddNote(track, 2, 67, 102, at(4), at(8));       // takes column 0 where 60 ends
    AddNote(track, 2, 72, 103, at(5.45), at(6.5));  // to the nearest lines: 5 and 7
    AddNote(track, 2, 50, 104, at(9), at(9));       // lasts at least its line
    AddNote(track, 2, 55, 105, at(62), at(70));     // ends in the next pattern
    AddNote(track, 9, 36, 110, at(1), at(3));
    std::stable_sort(track.events.begin(), track.events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });

    auto song = NewSong();
    const MidiImportReport report = ImportMidiFile(file, *song);
    EXPECT_EQ(MidiImportReportText(report), "Imported 7 notes; 1 dropped: other controllers (1).");
    EXPECT_EQ(report.patterns, 3);
    EXPECT_EQ(report.endRow, 128);
    EXPECT_EQ(song->lineDuration, 125);
    EXPECT_EQ(song->channelProgram[2], 5);
    EXPECT_EQ(Cells(song->patterns[0]),
              " 0.0:60/100/7/80 0.1:-/-/10/64 2.1:64/101/-/0 3.0:-/-/176/6 4.0:67/102/-/0 "
              "4.1:off/-/-/0 5.1:72/103/-/0 7.1:off/-/-/0 8.0:off/-/-/0 9.0:50/104/-/0 "
              "10.0:off/-/-/0 62.0:55/105/-/0");
    EXPECT_EQ(Cells(song->patterns[1]), " 1.0:36/110/-/0 3.0:off/-/-/0");
    EXPECT_EQ(Cells(song->patterns[2]), " 6.0:off/-/-/0");
    EXPECT_STREQ(song->patterns[2].name, "ch 2 bar 5");
    EXPECT_EQ(song->patterns[2].lineCount, 64);
    std::string slots;
    for (int row = 0; row < kSequenceRows; ++row)
        for (int t = 0; t < kTrackCount; ++t)
            if (song->sequence[row][t].pattern != kEmptySlot)
                slots += Cat(" ", row, ".", t, ":", int{song->sequence[row][t].pattern});
    EXPECT_EQ(slots, " 0.2:0 0.9:1 64.2:2");
    EXPECT_EQ(Cells(song->patterns[3]), "");  // the rest stays as a new song has it
    EXPECT_STREQ(song->patterns[3].name, "empty");
}

TEST(MidiImport, SharesPatternsBetweenEqualStretchesAndNamesThemByBarAndTrack) {
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
    EXPECT_EQ(report.notes, 10);
    for (int row : {0, 16, 32, 48})
        EXPECT_EQ(song->sequence[row][4].pattern + song->sequence[row][5].pattern, 0);
    EXPECT_EQ(song->sequence[64][4].pattern, 1);
    EXPECT_EQ(song->sequence[64][5].pattern, 1);
    EXPECT_STREQ(song->patterns[1].name, "ch 4 bar 6");  // bars of 3/4: 12 lines
    EXPECT_EQ(song->patterns[1].lineCount, 16);
    EXPECT_STREQ(song->trackName[4], "Bass I");
    EXPECT_STREQ(song->trackName[5], "5");
    EXPECT_EQ(ImportMidiFile(file, *NewSong(), {.patternLines = 1000}).endRow, 256);
}

TEST(MidiImport, TempoAndTimeBaseSetTheLineLength) {
    const struct {
        std::uint16_t division;
        std::vector<std::uint8_t> tempo;  // microseconds per quarter note
        int lineDuration;
        int lineOfTick250;
    } cases[] = {
        {96, {}, 125, 10},                     // none: 120 BPM
        {96, {0x09, 0x27, 0xC0}, 150, 10},     // 100 BPM
        {480, {0x1E, 0x84, 0x80}, 468, 2},     // 30 BPM: the slowest is 32
        {480, {0x01, 0x86, 0xA0}, 29, 2},      // 600 BPM: the fastest is 512
        {0xE728, {0x09, 0x27, 0xC0}, 125, 2},  // SMPTE, 1000 ticks a second: no tempo but 120
    };
    for (const auto& c : cases) {
        MidiFileData file{.division = c.division, .tracks = {{}}};
        if (!c.tempo.empty()) file.tracks[0].AddMeta(0, kMetaTempo, c.tempo);
        AddNote(file.tracks[0], 0, 60, 100, 250, 2000);
        auto song = NewSong();
        ImportMidiFile(file, *song);
        EXPECT_EQ(song->lineDuration, c.lineDuration) << c.division;
        EXPECT_EQ(song->patterns[0].cells[c.lineOfTick250][0].note, 60) << c.division;
    }
}

TEST(MidiImport, CountsWhatDoesNotFit) {
    MidiFileData file{.division = kDivision, .tracks = {{}, {}}};
    MidiTrack& track = file.tracks[0];
    for (std::uint8_t key = 0; key < 17; ++key) AddNote(track, 1, key, 90, 0, 96);
    AddNote(track, 1, 60, 90, kSequenceRows * kTicksPerLine, kSequenceRows * kTicksPerLine + 9);
    track.AddMessage(kSequenceRows * kTicksPerLine, 0xB1, 64, 127);
    for (std::uint8_t tempo : {0x07, 0x09, 0x09, 0x07})  // 0x07A120 and 0x0927C0: two changes
        track.AddMeta(0, kMetaTempo, std::vector<std::uint8_t>{tempo, 0xA1, 0x20});
    for (std::uint8_t status : {0xE1, 0xA1, 0xD1, 0xB1}) track.AddMessage(0, status, 2, 3);
    track.AddSysEx(0, kSysExStart, std::vector<std::uint8_t>{0x7E, 0xF7});
    // 130 different stretches of 16 lines on channel 0: after channel 1's, 3 find no pattern.
    for (std::uint32_t stretch = 0; stretch < 130; ++stretch)
        AddNote(file.tracks[1], 0, stretch % 100, 1 + stretch / 100, stretch * 16 * kTicksPerLine,
                (stretch * 16 + 1) * kTicksPerLine);

    const MidiImportReport report = ImportMidiFile(file, *NewSong(), {.patternLines = 16});
    EXPECT_EQ(MidiImportReportText(report),
              "Imported 143 notes; 13 dropped: more than 16 at once (1), more than 128 patterns "
              "(3), song longer than the grid (2), tempo changes after the first (2), other "
              "controllers (1), pitch bend (1), aftertouch (2), SysEx (1).");
    EXPECT_EQ(report.patterns, 128);
    EXPECT_EQ(report.endRow, 127 * 16);
    EXPECT_EQ(MidiImportReportText({.notes = 1}), "Imported 1 note.");
    EXPECT_EQ(MidiImportReportText({.notes = 1234567, .sysExes = 1000}),
              "Imported 1,234,567 notes; 1,000 dropped: SysEx (1,000).");
}

// (channel, key, velocity, first line, line of the note-off), notes paired first in, first out.
using NoteList = std::vector<std::tuple<int, int, int, std::uint32_t, std::uint32_t>>;

NoteList NotesOf(const MidiFileData& file) {
    NoteList notes;
    std::map<std::pair<int, int>, std::vector<std::size_t>> sounding;
    for (const MidiTrack& track : file.tracks)
        for (const MidiEvent& event : track.events) {
            const int channel = event.status & 0x0F;
            const std::uint32_t line = event.tick / kTicksPerLine;
            auto& open = sounding[{channel, event.data1}];
            if ((event.status & 0xF0) == 0x90 && event.data2 > 0) {
                open.push_back(notes.size());
                notes.emplace_back(channel, event.data1, event.data2, line, 0);
            } else if ((event.status & 0xF0) == 0x80 || (event.status & 0xF0) == 0x90) {
                std::get<4>(notes[open.front()]) = line;
                open.erase(open.begin());
            }
        }
    std::sort(notes.begin(), notes.end());
    return notes;
}

// Notes on lines, up to 16 at once on a channel, go into a song, play out of it through the
// player, and are written back to a file that holds the very same notes.
TEST(MidiImport, NotesOnLinesPlayBackAndWriteBackAsTheyCame) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        MidiFileData original{.division = kDivision, .tracks = {{}}};
        std::vector<int> sounding(kTrackCount * 128 * 300), voices(kTrackCount * 300);
        for (int n = 0; n < 800; ++n) {
            const int channel = std::vector{0, 3, 9, 15}[random() % 4];
            const int key = 30 + static_cast<int>(random() % 60);
            const int start = static_cast<int>(random() % 250);
            const int end = start + 1 + static_cast<int>(random() % 24);
            int* const keyLines = &sounding[(channel * 128 + key) * 300];
            int* const voiceLines = &voices[channel * 300];
            if (std::any_of(keyLines + start, keyLines + end, [](int n) { return n > 0; }) ||
                std::any_of(voiceLines + start, voiceLines + end, [](int n) { return n >= 16; }))
                continue;  // the same key twice, or a 17th voice
            for (int line = start; line < end; ++line) ++keyLines[line], ++voiceLines[line];
            AddNote(original.tracks[0], channel, key, 1 + static_cast<int>(random() % 127),
                    start * kTicksPerLine, end * kTicksPerLine);
        }

        testing::TestDocument t;
        CFennoralDoc& doc = *t.doc;
        std::lock_guard lock(doc.mutex);
        MakeNewSong(doc.song);
        const MidiImportReport report =
            ImportMidiFile(original, doc.song);  // its events out of order
        EXPECT_EQ(report.Dropped(), 0);
        MidiFileData played{.division = kDivision, .tracks = {{}}};
        doc.editor.loopEndRow = report.endRow;
        doc.StartPlayback(kSongMode);
        t.midi.Clear();
        for (int row = 0; row < report.endRow; ++row) {
            while (doc.player.playRow == row) doc.PlayerTick();
            for (const RecordedMessage& sent : t.midi.Messages())
                played.tracks[0].AddMessage(row * kTicksPerLine, sent.bytes[0], sent.bytes[1],
                                            sent.bytes[2]);
            t.midi.Clear();
        }

        MidiFileData writtenBack;
        std::string whyNot;
        ASSERT_TRUE(ReadMidiFile(WriteMidiFile(played), writtenBack, whyNot)) << whyNot;
        EXPECT_EQ(NotesOf(writtenBack), NotesOf(original)) << seed;
        EXPECT_GT(NotesOf(original).size(), 300u);
    }
}

}  // namespace
}  // namespace tarvel

// The player driven tick by tick: every message is stamped with the tick that sent it.
#include <gmock/gmock.h>

#include "engine/PlayWatch.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Player : public testing::DocumentTest {
  protected:
    void SetUp() override { Hold(); }

    void Tick(int count) {
        for (int i = 0; i < count; ++i) {
            t.midi.SetStamp(tick++);
            doc.PlayerTick();
        }
    }
    // At BPM 125 a line is 60 ticks.
    void Lines(int count) { Tick(60 * count); }

    // Sent since the last call, as "<stamp>: <bytes>@<device>"; the stamp is the tick number
    // divided by `ticksPerStamp` (60 gives line numbers at BPM 125).
    std::vector<std::string> Sent(int ticksPerStamp = 1) {
        std::vector<std::string> sent;
        for (const RecordedMessage& m : t.midi.Messages())
            sent.push_back(std::to_string(m.stamp / ticksPerStamp) + ": " + testing::Describe(m));
        t.midi.Clear();
        return sent;
    }

    Pattern& pattern(int number) { return doc.song.patterns[number]; }
    void Place(int row, int track, std::uint8_t number, std::int8_t transpose = 0) {
        doc.song.sequence[row][track] = {number, transpose, 0};
    }
    static PatternCell Note(std::uint8_t note, std::uint8_t command = kNoCommand,
                            std::uint8_t parameter = 0) {
        return {note, 0x50, command, parameter};
    }

    int tick = 0;
};

// A tempo outside 32..512 is refused; a line below 1 ms (a damaged song) plays and shows as
// 120 ms.
TEST_F(Player, LineLengthsAndHalfLinePointsFollowTheTempo) {
    struct Case {
        int bpm, lineDuration, ticksPerLine, halfLineTick, shownBpm;
    };
    // An odd line duration rounds the line up to whole ticks; the half point is truncated.
    for (const Case c :
         {Case{32, 468, 234, 117, 32}, Case{512, 29, 15, 7, 517}, Case{31, 29, 15, 7, 517},
          Case{513, 29, 15, 7, 517}, Case{0, 0, 60, 30, 125}, Case{0, -7, 60, 30, 125}}) {
        SCOPED_TRACE(::testing::Message() << c.bpm << " BPM, line " << c.lineDuration);
        doc.SetBpm(c.bpm);
        if (c.bpm == 0) doc.song.lineDuration = c.lineDuration;
        doc.ShowBpm();
        EXPECT_THAT(UiEvents(), ElementsAre("bpm:" + std::to_string(c.shownBpm)));

        Cell(0, 0) = Note(60, 0x80);  // gated: on at the line start, off at half line
        Cell(1, 0) = Note(62, 0x80);
        tick = 0;
        doc.StartPlayback(kPatternMode);
        Tick(2 * c.ticksPerLine);
        const auto at = [](int tick) { return std::to_string(tick) + ": "; };
        EXPECT_THAT(Sent(), ElementsAre(at(0) + "90 3c 50@0", at(c.halfLineTick) + "80 3c 64@0",
                                        at(c.ticksPerLine) + "90 3e 50@0",
                                        at(c.ticksPerLine + c.halfLineTick) + "80 3e 64@0"));
    }
}

TEST_F(Player, SongModeWalksTheRowsAndSlotsStartTheirPatternsFromTheTop) {
    for (int line = 0; line < 4; ++line) Cell(line, 0) = Note(60 + line);
    pattern(0).lineCount = 4;
    pattern(1).lineCount = 2;
    Cell(0, 0, 1) = Note(70);
    Cell(1, 0, 1) = Note(71);
    Place(0, 0, 0);
    doc.song.sequence[1][0] = {128, 5, 0};  // names no pattern (a damaged song): plays on
    Place(2, 0, 0);                         // restarts pattern 0
    Place(2, 1, 1);
    doc.editor.loopEndRow = 8;
    doc.StartPlayback(kSongMode);
    Lines(9);
    EXPECT_THAT(Sent(60),
                ElementsAre("0: 90 3c 50@0", "1: 80 3c 64@0", "1: 90 3d 50@0",  //
                            "2: 80 3d 64@0", "2: 90 3c 50@0", "2: 91 46 50@0",  //
                            "3: 80 3c 64@0", "3: 90 3d 50@0", "3: 81 46 64@0", "3: 91 47 50@0",
                            "4: 80 3d 64@0", "4: 90 3e 50@0", "5: 80 3e 64@0", "5: 90 3f 50@0",
                            // rows 6 and 7: both patterns ended, their last notes sound on
                            "8: 80 3f 64@0", "8: 90 3c 50@0"));  // row 0 again
}

TEST_F(Player, AStartPastTheLoopEndPlaysThatRowThenLoopsAndRowsStayInsideTheGrid) {
    for (int number = 0; number < 3; ++number) {
        pattern(number).lineCount = 1;
        Cell(0, 0, number) = Note(60 + number);
    }
    Place(4, 0, 0);
    Place(5, 0, 1);
    Place(10, 0, 2);
    e.loopStartRow = 4;
    e.loopEndRow = 6;
    e.seqCursorRow = 10;
    doc.StartPlayback(kSongMode);
    Lines(4);
    EXPECT_THAT(Sent(60), ElementsAre("0: 90 3e 50@0", "1: 80 3e 64@0", "1: 90 3c 50@0",
                                      "2: 80 3c 64@0", "2: 90 3d 50@0",  //
                                      "3: 80 3d 64@0", "3: 90 3c 50@0"));

    // Rows from a damaged song or the mouse.
    Place(kSequenceRows - 1, 0, 1);
    Place(0, 0, 0);
    e.loopStartRow = -5;
    e.loopEndRow = 100000;
    e.seqCursorRow = 20000;
    doc.StartPlayback(kSongMode);  // at the last row
    Lines(2);
    EXPECT_THAT(Sent(60),
                ElementsAre("3: 80 3c 64@0", "4: 90 3d 50@0", "5: 80 3d 64@0", "5: 90 3c 50@0"));
}

TEST_F(Player, LineCountsFromADamagedSongOrAShortenedPatternStayInsideTheLines) {
    Cell(40, 0) = Note(60);
    Cell(41, 0) = Note(61);
    Place(0, 0, 0);
    e.loopEndRow = 1000;
    doc.StartPlayback(kSongMode);
    Lines(40);
    pattern(0).lineCount = 16;  // shortened while line 40 is next
    Lines(2);
    EXPECT_THAT(Sent(60), ElementsAre("40: 90 3c 50@0"));  // that line plays, then the end
    EXPECT_EQ(doc.player.trackPattern[0], -1);

    pattern(1).lineCount = -3;  // one line, then silent
    Cell(0, 0, 1) = Note(62);
    Cell(1, 0, 1) = Note(63);
    Place(42, 0, 1);
    Lines(2);
    EXPECT_THAT(Sent(60), ElementsAre("42: 80 3c 64@0", "42: 90 3e 50@0"));

    pattern(2).lineCount = 100000;  // taken as 256 lines
    Cell(255, 0, 2) = Note(64);
    Cell(0, 0, 2) = Note(65);
    e.currentPattern = 2;
    doc.StartPlayback(kPatternMode);
    Sent();
    tick = 0;
    Lines(257);
    EXPECT_THAT(Sent(60), ElementsAre("0: 90 41 50@0", "255: 80 41 64@0", "255: 90 40 50@0",
                                      "256: 80 40 64@0", "256: 90 41 50@0"));

    doc.PlayCell(pattern(2), kPatternLines, 0, 0);
    doc.PlayCell(pattern(2), -1, 0, 0);
    EXPECT_THAT(Sent(), IsEmpty());
}

// One cell on track 0, its slot transposed down an octave, over the first 31 ticks; channel 0
// plays at velocity 33.
TEST_F(Player, EachCellPlaysItsNoteGateDelayOrRetriggerWithItsVelocity) {
    const struct {
        const char* name;
        PatternCell cell;
        int on = -1;  // a note its column already plays
        std::vector<std::string> sent;
    } cases[] = {
        // Only the note at the line start is transposed, wrapping modulo 256 (kept in 7 bits).
        {.name = "wrapped", .cell = Note(2), .sent = {"0: 90 76 50@0"}},
        {.name = "delay",
         .cell = Note(62, 0xD0),
         .on = 0x32,
         .sent = {"30: 80 32 64@0", "30: 90 3e 50@0"}},
        {.name = "retrigger",
         .cell = Note(64, 0xE0),
         .sent = {"0: 90 34 50@0", "30: 80 34 64@0", "30: 90 40 50@0"}},
        // A delayed note-off comes at once, and a retriggered one retriggers nothing.
        {.name = "late off", .cell = Note(kNoteOff, 0xD0), .on = 0x33, .sent = {"0: 80 33 64@0"}},
        {.name = "retrig off", .cell = Note(kNoteOff, 0xE0), .on = 0x34, .sent = {"0: 80 34 64@0"}},
        {.name = "delay alone", .cell = Note(kNoNote, 0xD0), .on = 0x36, .sent = {}},
        {.name = "retrigger alone", .cell = Note(kNoNote, 0xE0), .on = 0x36, .sent = {}},
        {.name = "channel velocity",
         .cell = {60, kDefaultVelocity, kNoCommand, 0},
         .sent = {"0: 90 30 21@0"}},
        // Kept for the delay, and clamped from the first value past 7 bits.
        {.name = "delayed velocity", .cell = {70, 0x80, 0xD0, 0}, .sent = {"30: 90 46 7f@0"}},
    };
    doc.song.channelVelocity[0] = 33;
    Place(0, 0, 0, -12);
    for (const auto& c : cases) {
        Cell(0, 0) = c.cell;
        doc.StartPlayback(kSongMode);
        if (c.on >= 0) doc.NoteOn(0, 0, c.on, 0x50);
        tick = 0;
        Sent();
        Tick(31);
        EXPECT_EQ(Sent(), c.sent) << c.name;
    }
}

TEST_F(Player, CommandsGoToEveryDeviceBeforeTheCellsNote) {
    const PatternCell cells[] = {
        {kNoNote, kDefaultVelocity, 0x07, 100},   // controller
        {kNoNote, kDefaultVelocity, 0xA0, 0x20},  // pitch wheel, unscaled
        {60, kDefaultVelocity, 0xB0, 7},          // program change, then the note
        // Real-time: one byte. The other system messages' lengths show in the MIDI export.
        {kNoNote, kDefaultVelocity, 0xF8, 0},
        {kNoNote, kDefaultVelocity, 0xEF, 9},  // unassigned values do nothing
        {61, kDefaultVelocity, 0x7F, 64},      // the last controller, then the note
    };
    for (int column = 0; column < std::ssize(cells); ++column) {
        Cell(0, column) = cells[column];
        doc.PlayCell(pattern(0), 0, 3, column);
    }
    EXPECT_THAT(Sent(),
                ElementsAre("0: b3 07 64@0", "0: b3 07 64@1", "0: e3 00 20@0", "0: e3 00 20@1",
                            "0: c3 07@0", "0: c3 07@1", "0: 93 3c 64@0", "0: f8@0", "0: f8@1",
                            "0: b3 7f 40@0", "0: b3 7f 40@1", "0: 93 3d 64@0"));
    EXPECT_EQ(doc.song.channelProgram[3], 7);
    EXPECT_THAT(UiEvents(), IsEmpty());  // channel 3 is not the panel's channel

    doc.editor.currentChannel = 3;
    Cell(0, 0) = {kNoNote, kDefaultVelocity, 0xB0, 5};
    doc.PlayCell(pattern(0), 0, 3, 0);
    EXPECT_THAT(UiEvents(), ElementsAre("program:5"));
    EXPECT_THAT(Sent(), ElementsAre("0: c3 05@0", "0: c3 05@1"));

    // Set BPM shows the tempo field even when it refuses a value below 32.
    Cell(0, 0) = {kNoNote, kDefaultVelocity, 0x90, 0x10};
    doc.PlayCell(pattern(0), 0, 0, 0);
    EXPECT_THAT(UiEvents(), ElementsAre("bpm:125"));
    EXPECT_THAT(Sent(), IsEmpty());
}

// The editor is repainted at each line start once its window is known.
TEST_F(Player, PatternModeFollowsPatternAndChannelAtTheNextLineAndEndsTheOldChannelsGates) {
    Cell(0, 0) = Note(60, 0x80);
    Cell(0, 0, 1) = Note(70);
    Cell(1, 0, 1) = Note(71);
    doc.StartPlayback(kPatternMode);
    Tick(1);
    doc.player.editorWindowKnown = true;
    doc.editor.currentChannel = 3;
    doc.editor.currentPattern = 1;
    Tick(59);  // the gate of channel 0 still ends at half line
    EXPECT_THAT(UiEvents(), IsEmpty());
    Tick(1);  // the next line plays the new choice
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));
    EXPECT_THAT(Sent(), ElementsAre("0: 90 3c 50@0", "30: 80 3c 64@0", "60: 93 47 50@0"));

    doc.player.songReplacing = 1;  // a song half copied in: the player and its line wait
    Tick(30);
    EXPECT_THAT(std::tuple(Sent().size(), doc.player.lineClock), std::tuple(0u, 2));
}

TEST_F(Player, SeekMovesThePlayRowWithinTheGrid) {
    doc.editor.seqStep = 16;  // the end is 24 steps below the top row
    std::vector<int> rows;    // after Seek End, then Seek Start, from each top row
    for (const int topRow : {0, 16380, -7}) {
        doc.editor.seqTopRow = topRow;
        doc.SeekEnd();
        rows.push_back(doc.player.playRow);
        doc.SeekStart();
        rows.push_back(doc.player.playRow);
    }
    EXPECT_THAT(rows, ElementsAre(384, 0, kSequenceRows - 1, 16380, 377, 0));
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));

    // While playing, the line ends first; play goes on at the row after the one sought.
    doc.editor.seqTopRow = 0;
    doc.editor.loopEndRow = 1000;
    doc.StartPlayback(kSongMode);
    Tick(10);
    doc.SeekEnd();
    Tick(50);
    EXPECT_EQ(doc.player.playRow, 385);
}

TEST_F(Player, StopReleasesEveryNoteAndKeepsThePlayWatch) {
    doc.editor.currentChannel = 2;
    Cell(0, 0) = Note(60);
    Cell(0, 5) = Note(62);
    Cell(0, 9) = Note(64, 0xE0);
    Cell(0, 11) = Note(66, 0xD1, 15);  // not due before the stop
    doc.StartPlayback(kPatternMode);
    Tick(20);
    Sent();
    doc.StopPlayback();
    EXPECT_THAT(Sent(), ElementsAre("19: 82 3c 64@0", "19: 82 3e 64@0", "19: 82 40 64@0"));
    EXPECT_EQ(doc.player.fineEvents[2][11].action, kNoFineAction);
    Tick(100);  // what a stopped player sent would show in the last list
    EXPECT_EQ(doc.player.playWatch, 40);
    EXPECT_EQ(FormatPlayWatch(6000000), "100:00:000");
    EXPECT_EQ(FormatPlayWatch(-5), "00:00:000");

    // A new start restarts the line; in the other mode it releases the tracks' notes (that it
    // forgets the tracks shows in the live launch tests, that it clears the watch in the stress
    // test's last start).
    Place(0, 2, 0);
    doc.StartPlayback(kSongMode);
    Tick(1);
    doc.StartPlayback(kPatternMode);
    Tick(1);
    EXPECT_THAT(Sent(), ElementsAre("120: 92 3c 50@0", "120: 92 3e 50@0", "120: 92 40 50@0",
                                    "120: 82 3c 64@0", "120: 82 3e 64@0", "120: 82 40 64@0",
                                    "121: 92 3c 50@0", "121: 92 3e 50@0", "121: 92 40 50@0"));
}

}  // namespace
}  // namespace tarvel

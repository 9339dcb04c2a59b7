// Live launching driven tick by tick: where a queued pattern or mute takes over, read from the
// messages sent, each stamped with the line (60 ticks at BPM 125) that sent it.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "document/DocumentMidiInput.h"
#include "editor/DisplayColours.h"
#include "editor/DisplayModel.h"
#include "editor/LiveLaunching.h"
#include "editor/MouseEditing.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LiveLaunch : public testing::DocumentTest {
  protected:
    void SetUp() override {
        Hold();
        e.loopEndRow = 64;
        // Each pattern p sounds note 40 + p on every line, so each line tells who plays.
        for (int number = 0; number < 4; ++number)
            for (int line = 0; line < kPatternLines; ++line)
                Cell(line, 0, number) = {static_cast<std::uint8_t>(40 + number), 0x50, kNoCommand,
                                         0};
        doc.engine.SetLiveMode(true);
    }
    void Lines(int count) {
        for (int i = 0; i < 60 * count; ++i) {
            t.midi.SetStamp(tick++ / 60);
            doc.PlayerTick();
        }
    }
    void Place(int row, int track, int number) {
        doc.song.sequence[row][track] = {static_cast<std::uint8_t>(number), 0, 0};
    }
    // The line on which each note-on of `channel` was sent, as "<line>:<note>".
    std::vector<std::string> NoteOns(int channel = 0) const {
        std::vector<std::string> lines;
        for (const RecordedMessage& m : t.midi.Messages())
            if (m.bytes[0] == (0x90 | channel) && m.bytes[2] > 0)
                lines.push_back(std::to_string(m.stamp) + ":" + std::to_string(m.bytes[1]));
        return lines;
    }
    // Pattern `number` on track 0 from line `from` to `to`, as NoteOns shows it.
    static void Expect(std::vector<std::string>& lines, int number, int from, int to) {
        for (int line = from; line <= to; ++line)
            lines.push_back(std::to_string(line) + ":" + std::to_string(40 + number));
    }
    // The first line from which notes of pattern `number` are sent.
    int FirstLineOf(int number) const {
        for (const std::string& at : NoteOns())
            if (at.ends_with(":" + std::to_string(40 + number))) return std::stoi(at);
        return -1;
    }

    int tick = 0;
};

TEST_F(LiveLaunch, AQueuedPatternStartsExactlyAtItsBoundary) {
    struct Case {
        const char* name;
        LaunchBoundary boundary;
        int gridLines;     // pattern 0's length, placed at row 0 of track 0 (0: none)
        int gridAgainAt;   // and placed again at this row (0: not)
        int queuedAtLine;  // pattern 1 is queued after this many lines
        int startsAtLine;
    };
    const Case cases[] = {
        {.name = "the grid's pattern ends",
         .boundary = kAtPatternEnd,
         .gridLines = 8,
         .gridAgainAt = 0,
         .queuedAtLine = 3,
         .startsAtLine = 8},
        {.name = "the grid starts its pattern again before its end",
         .boundary = kAtPatternEnd,
         .gridLines = 32,
         .gridAgainAt = 12,
         .queuedAtLine = 3,
         .startsAtLine = 12},
        {.name = "an idle track waits for the next bar",
         .boundary = kAtPatternEnd,
         .gridLines = 0,
         .gridAgainAt = 0,
         .queuedAtLine = 3,
         .startsAtLine = 16},
        {.name = "the next bar cuts the grid's pattern",
         .boundary = kAtNextBar,
         .gridLines = 32,
         .gridAgainAt = 0,
         .queuedAtLine = 3,
         .startsAtLine = 16},
        {.name = "queued during a bar's first line: the bar after",
         .boundary = kAtNextBar,
         .gridLines = 32,
         .gridAgainAt = 0,
         .queuedAtLine = 17,
         .startsAtLine = 32},
        {.name = "queued during the pattern's last line",
         .boundary = kAtPatternEnd,
         .gridLines = 8,
         .gridAgainAt = 0,
         .queuedAtLine = 8,
         .startsAtLine = 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int row = 0; row < 64; ++row) doc.song.sequence[row][0] = {kEmptySlot, 0, 0};
        if (c.gridLines > 0) {
            doc.song.patterns[0].lineCount = c.gridLines;
            Place(0, 0, 0);
            if (c.gridAgainAt > 0) Place(c.gridAgainAt, 0, 0);
        }
        doc.player.live.boundary = c.boundary;
        tick = 0;
        doc.StartPlayback(kSongMode);
        Lines(c.queuedAtLine);
        EXPECT_TRUE(doc.engine.QueueLaunch(0, 1, 0, -1));
        Lines(40);
        EXPECT_EQ(FirstLineOf(1), c.startsAtLine);
        doc.StopPlayback();
        t.midi.Clear();
    }
}

TEST_F(LiveLaunch, ALaunchedPatternLoopsOverTheGridAndTheNextWaitsForItsEnd) {
    doc.song.patterns[1].lineCount = 3;
    doc.song.patterns[2].lineCount = 2;
    Place(5, 0, 3);   // cut by the launch
    Place(20, 0, 3);  // waits: the track plays its launched pattern
    Place(20, 1, 3);  // and plays on the other track
    doc.player.live.boundary = kAtNextBar;
    doc.StartPlayback(kSongMode);
    Lines(1);
    ASSERT_TRUE(doc.engine.QueueLaunch(0, 1, 0, -1));
    Lines(15);
    t.midi.Clear();
    doc.player.live.boundary = kAtPatternEnd;
    Lines(4);
    ASSERT_TRUE(doc.engine.QueueLaunch(0, 2, 0, -1));  // in its second loop, lines 19 to 21
    Lines(6);
    std::vector<std::string> expected;
    Expect(expected, 1, 16, 21);
    Expect(expected, 2, 22, 25);
    EXPECT_EQ(NoteOns(), expected);
    EXPECT_EQ(NoteOns(1).front(), "20:43");
}

TEST_F(LiveLaunch, MuteAndUnmuteWaitForTheBoundaryAndASecondFlipTakesTheFirstBack) {
    Place(0, 0, 0);
    doc.song.patterns[0].lineCount = 64;
    doc.player.live.boundary = kAtNextBar;
    doc.StartPlayback(kSongMode);
    Lines(2);
    ASSERT_TRUE(doc.engine.QueueMuteFlip(0));
    Lines(14);
    EXPECT_EQ(doc.engine.mutes.muted, 0);
    Lines(1);
    EXPECT_EQ(doc.engine.mutes.muted, 1);
    EXPECT_EQ(NoteOns().back(), "15:40");  // muted from line 16, its note released there
    t.midi.Clear();
    ASSERT_TRUE(doc.engine.QueueMuteFlip(0));  // unmute
    ASSERT_TRUE(doc.engine.QueueMuteFlip(0));  // and taken back
    Lines(16);
    EXPECT_THAT(NoteOns(), IsEmpty());
    t.midi.Clear();
    ASSERT_TRUE(doc.engine.QueueMuteFlip(0));
    Lines(16);
    EXPECT_EQ(doc.engine.mutes.muted, 0);
    EXPECT_EQ(NoteOns().front(), "48:40");
}

TEST_F(LiveLaunch, NothingIsQueuedUnlessTheSongPlaysInLiveMode) {
    struct Case {
        const char* name;
        bool live;
        int playing;  // -1 stopped, else the mode
    };
    for (const Case c : {Case{.name = "stopped", .live = true, .playing = -1},
                         Case{.name = "pattern mode", .live = true, .playing = kPatternMode},
                         Case{.name = "live mode off", .live = false, .playing = kSongMode}}) {
        SCOPED_TRACE(c.name);
        doc.engine.SetLiveMode(c.live);
        if (c.playing >= 0) doc.StartPlayback(static_cast<PlayMode>(c.playing));
        EXPECT_FALSE(doc.engine.QueueLaunch(0, 1, 0, -1));
        EXPECT_FALSE(doc.engine.QueueMuteFlip(0));
        doc.StopPlayback();
    }
    doc.engine.SetLiveMode(true);
    doc.StartPlayback(kSongMode);
    EXPECT_FALSE(doc.engine.QueueLaunch(0, 128, 0, -1));  // names no pattern
    EXPECT_FALSE(doc.engine.QueueLaunch(16, 1, 0, -1));
}

TEST_F(LiveLaunch, StopAndLiveOffEndTheLaunchesAndNoNoteIsLeftSounding) {
    doc.song.patterns[0].lineCount = 8;
    doc.song.patterns[1].lineCount = 4;
    Place(0, 0, 0);
    Place(32, 0, 2);
    doc.StartPlayback(kSongMode);
    Lines(1);
    doc.engine.QueueLaunch(0, 1, 0, -1);
    Lines(19);
    doc.engine.SetLiveMode(false);  // the loop that starts now plays to its end, then the grid
    Lines(21);
    std::vector<std::string> expected;
    Expect(expected, 0, 0, 7);
    Expect(expected, 1, 8, 23);
    Expect(expected, 2, 32, 40);
    EXPECT_EQ(NoteOns(), expected);

    doc.engine.SetLiveMode(true);
    doc.engine.QueueLaunch(0, 1, 0, -1);
    doc.engine.QueueMuteFlip(1);
    Lines(1);
    doc.StopPlayback();
    EXPECT_EQ(doc.player.live.tracks[0].pattern.kind, kNoLaunch);
    EXPECT_EQ(doc.player.live.tracks[1].mute.kind, kNoLaunch);
    for (const auto& channel : doc.song.soundingNote)
        for (const std::int32_t note : channel) EXPECT_EQ(note, -1);
}

// The classic view: slot columns from x 344, 28 wide; display lines of 16 rows from y 24.
TEST_F(LiveLaunch, TheCursorsSlotAClickAndAMidiNoteQueueAndThePaneShowsWhatWaits) {
    doc.song.sequence[16][2] = {3, 4, 0};
    doc.StartPlayback(kSongMode);
    Lines(1);
    e.seqCursorColumn = 2;
    e.seqCursorRow = 17;
    EXPECT_FALSE(LaunchSlotUnderCursor(doc.songEditor));  // an empty slot
    e.seqCursorRow = 16;
    ASSERT_TRUE(LaunchSlotUnderCursor(doc.songEditor));
    const QueuedLaunch queued = doc.player.live.tracks[2].pattern;
    EXPECT_EQ(queued.pattern, 3);
    EXPECT_EQ(queued.transpose, 4);
    EXPECT_EQ(queued.fromRow, 16);

    DisplayModel model;
    BuildDisplayModel(doc.songEditor, model);
    const auto fillAt = [&model](int x, int y) {
        for (const DisplayItem& item : model.items)
            if (item.kind == DisplayItem::Kind::Box && item.x == x && item.y == y) return item.fill;
        return Colour{0};
    };
    EXPECT_EQ(fillAt(344 + 2 * 28, 36), kQueuedLaunchFill);  // the slot
    EXPECT_EQ(fillAt(344 + 2 * 28, 12), kQueuedLaunchFill);  // its track's header
    EXPECT_NE(fillAt(344 + 3 * 28, 12), kQueuedLaunchFill);  // the others'
    EXPECT_NE(fillAt(344 + 2 * 28, 24), kQueuedLaunchFill);  // and other slots
    doc.song.sequence[0][2] = {3, 4, 0};
    BuildDisplayModel(doc.songEditor, model);
    EXPECT_NE(fillAt(344 + 2 * 28, 24), kQueuedLaunchFill);  // the same pattern elsewhere

    // Ctrl and a click on track 4's header queues its mute; on a slot, that slot's launch.
    doc.song.sequence[32][5] = {2, 0, 0};
    lock.unlock();
    EditorLaunchClick(doc.songEditor, 344 + 4 * 28 + 5, 14);
    EditorLaunchClick(doc.songEditor, 344 + 5 * 28 + 5, 24 + 2 * 12 + 5);
    // A note from the input launches its pattern on the current channel's track, unheard.
    doc.editor.currentChannel = 7;
    DocumentMidiInput input(doc);
    input.ReceiveMidi({0x90, 9, 100});
    input.ReceiveMidi({0x80, 9, 0});
    lock.lock();
    EXPECT_EQ(doc.player.live.tracks[4].mute.kind, kLaunchMute);
    EXPECT_EQ(doc.player.live.tracks[5].pattern.pattern, 2);
    EXPECT_EQ(doc.player.live.tracks[5].pattern.fromRow, 32);
    EXPECT_EQ(doc.player.live.tracks[7].pattern.pattern, 9);
    EXPECT_EQ(doc.player.live.tracks[7].pattern.fromRow, -1);
    for (const RecordedMessage& m : t.midi.Messages()) EXPECT_NE(m.bytes[0], 0x97);
}

TEST_F(LiveLaunch, RecordingWritesEveryStartOfALaunchedPatternIntoTheGridAsAStepOfItsOwn) {
    doc.song.patterns[1].lineCount = 8;
    doc.player.live.recordArrangement = 1;
    doc.StartPlayback(kSongMode);
    Lines(1);
    doc.engine.QueueLaunch(0, 1, -5, 3);
    Lines(33);
    ASSERT_EQ(doc.player.live.startCount, 3);
    const LaunchStart& first = doc.player.live.starts[0];
    EXPECT_EQ(first.row, 16);
    EXPECT_EQ(first.pattern, 1);
    EXPECT_EQ(first.transpose, -5);
    EXPECT_EQ(first.repeat, 0);
    EXPECT_EQ(doc.player.live.starts[1].row, 24);
    EXPECT_EQ(doc.player.live.starts[2].row, 32);
    EXPECT_EQ(doc.player.live.starts[2].repeat, 1);

    UiEvents();  // the window takes them
    EXPECT_EQ(doc.player.live.startCount, 0);
    for (const int row : {16, 24, 32}) {
        EXPECT_EQ(doc.song.sequence[row][0].pattern, 1) << row;
        EXPECT_EQ(doc.song.sequence[row][0].transpose, -5) << row;
    }
    EXPECT_EQ(doc.history.StepCount(), 3u);
    EXPECT_STREQ(doc.history.UndoLabel(), "Launch");
    lock.unlock();
    ASSERT_TRUE(doc.Undo());
    lock.lock();
    EXPECT_EQ(doc.song.sequence[32][0].pattern, kEmptySlot);
    EXPECT_EQ(doc.song.sequence[24][0].pattern, 1);
}

}  // namespace
}  // namespace tarvel

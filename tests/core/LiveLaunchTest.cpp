// Live launching driven tick by tick: each pattern p sounds note 60 + p on its first line of
// track 0 and 40 + p on every other, so the note heard on a line (60 ticks at BPM 125) says who
// plays it and from where.
#include <gmock/gmock.h>

#include <map>

#include "document/DocumentMidiInput.h"
#include "editor/DisplayColours.h"
#include "editor/DisplayModel.h"
#include "editor/LiveLaunching.h"
#include "editor/MouseEditing.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

class LiveLaunch : public testing::DocumentTest {
  protected:
    void SetUp() override {
        Hold();
        e.loopEndRow = 64;
        for (int number = 0; number < 4; ++number) {
            for (auto& line : doc.song.patterns[number].cells)
                line[0] = {static_cast<std::uint8_t>(40 + number), 0x50, kNoCommand, 0};
            doc.song.patterns[number].cells[0][0].note = static_cast<std::uint8_t>(60 + number);
        }
        doc.engine.SetLiveMode(true);
        doc.StartPlayback(kSongMode);
    }
    void Lines(int count) {
        for (int i = 0; i < 60 * count; ++i, ++tick) {
            t.midi.SetStamp(tick / 60);
            doc.PlayerTick();
        }
    }
    // The note channel 0 started on each line so far; a line missing played none.
    std::map<std::int64_t, int> Heard() const {
        std::map<std::int64_t, int> heard;
        for (const RecordedMessage& m : t.midi.Messages())
            if (m.bytes[0] == 0x90 && m.bytes[2] > 0) heard[m.stamp] = m.bytes[1];
        return heard;
    }
    int tick = 0;
};

// Pattern 0 plays before the boundary wherever the grid holds it; pattern 1 (or, for a mute,
// nothing) from the boundary on.
TEST_F(LiveLaunch, WhatIsQueuedTakesOverExactlyAtItsBoundary) {
    struct Case {
        const char* name;
        bool bar = false;   // at the next bar, else at the pattern's end
        int grid = 0;       // pattern 0's length, at row 0 of track 0 (0: none)
        int again = 0;      // and again at this row (0: not)
        bool mute = false;  // a mute is queued, else pattern 1
        int queued;         // after this many lines
        int at;             // the line it takes over
    };
    const Case cases[] = {
        {.name = "the grid's pattern ends", .grid = 8, .queued = 3, .at = 8},
        {.name = "queued in the pattern's last line", .grid = 8, .queued = 8, .at = 8},
        {.name = "the grid plays it again", .grid = 32, .again = 12, .queued = 3, .at = 12},
        {.name = "an idle track waits for the bar", .queued = 3, .at = 16},
        {.name = "the next bar cuts it", .bar = true, .grid = 32, .queued = 3, .at = 16},
        {.name = "queued in a bar's first line", .bar = true, .grid = 64, .queued = 17, .at = 32},
        {.name = "mute at the bar", .bar = true, .grid = 64, .mute = true, .queued = 3, .at = 16},
        {.name = "mute at the end", .grid = 8, .again = 8, .mute = true, .queued = 1, .at = 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto& row : doc.song.sequence) row[0] = {kEmptySlot, 0, 0};
        doc.song.patterns[0].lineCount = std::max(c.grid, 1);
        if (c.grid > 0) doc.song.sequence[0][0] = {0, 0, 0};
        if (c.again > 0) doc.song.sequence[c.again][0] = {0, 0, 0};
        doc.engine.SetTrackMutes({});
        doc.player.live.boundary = c.bar ? kAtNextBar : kAtPatternEnd;
        t.midi.Clear();
        tick = 0;
        doc.StartPlayback(kSongMode);
        Lines(c.queued);
        EXPECT_TRUE(c.mute ? doc.engine.QueueMuteFlip(0) : doc.engine.QueueLaunch(0, 1, 0, -1));
        Lines(40);
        auto heard = Heard();
        EXPECT_EQ((std::vector{heard[c.at - 1], heard[c.at], heard[c.at + 1]}),
                  (std::vector{c.grid ? 40 : 0, c.mute ? 0 : 61, c.mute ? 0 : 41}));
        const LiveTrack& live = doc.player.live.tracks[0];
        EXPECT_TRUE(live.pattern.kind == kNoLaunch && live.mute.kind == kNoLaunch);  // started
    }
}

// The classic view: slot columns from x 344, 28 wide; display lines of 16 rows from y 24, the
// headers above them.
TEST_F(LiveLaunch, AClickedSlotOrHeaderQueuesAndThePaneShowsTheQueuedSlot) {
    doc.song.sequence[16][2] = {3, 4, 0};
    lock.unlock();
    EXPECT_FALSE(EditorLaunchClick(doc.songEditor, 299, 100));    // the pattern pane's click
    EXPECT_TRUE(EditorLaunchClick(doc.songEditor, 300, 100));     // the row labels: no slot
    EXPECT_TRUE(EditorLaunchClick(doc.songEditor, 344 + 5, 13));  // channel 1's header
    e.seqTopRow = kSequenceRows - 16;
    EXPECT_TRUE(EditorLaunchClick(doc.songEditor, 344 + 5, 41));  // the row after the last
    e.seqTopRow = 0;
    EXPECT_TRUE(EditorLaunchClick(doc.songEditor, 344 + 28 * 2 + 5, 41));
    lock.lock();
    const LiveTrack& first = doc.player.live.tracks[0];
    EXPECT_EQ((std::vector<int>{first.mute.kind, first.pattern.kind}),
              (std::vector<int>{kLaunchMute, kNoLaunch}));
    EXPECT_EQ(doc.player.live.tracks[2].pattern.transpose, 4);
    DisplayModel model;
    BuildDisplayModel(doc.songEditor, model);
    std::map<std::pair<int, int>, Colour> fill;
    for (const DisplayItem& item : model.items) fill.try_emplace({item.x, item.y}, item.fill);
    EXPECT_EQ((fill[{400, 36}]), kQueuedLaunchFill);  // the slot
    EXPECT_EQ((fill[{400, 12}]), kQueuedLaunchFill);  // its track's header
    EXPECT_NE((fill[{428, 12}]), kQueuedLaunchFill);
}

// An input's note 9 on channel 7: it launches pattern 9 unheard, or it plays through. (A chosen
// launch input beside one that plays through: JackInput.ThePadsLaunch...)
TEST_F(LiveLaunch, ANoteOfTheLaunchInputLaunchesAndTheOtherInputsPlayOn) {
    e.currentChannel = 7;
    const auto launches = [&](std::uint8_t fromLaunchInput) {
        t.midi.Clear();
        lock.unlock();
        DocumentMidiInput(doc).ReceiveMidi({0x90, 9, 100, 0, 0, fromLaunchInput});
        lock.lock();
        EXPECT_THAT(t.midi.Messages(), ::testing::IsEmpty()) << "heard";
        return doc.player.live.tracks[7].pattern.kind != kNoLaunch;
    };
    EXPECT_TRUE(launches(0)) << "none chosen: every input launches";
    const QueuedLaunch& queued = doc.player.live.tracks[7].pattern;
    EXPECT_EQ(std::pair(int(queued.pattern), int(queued.transpose)), std::pair(9, 0));
    doc.engine.SetLiveMode(false);  // empties the queues
    doc.inputRecording.launchInputChosen = 1;
    EXPECT_FALSE(launches(1)) << "out of live mode, the launch input's note does nothing";
}

// A launched pattern loops over what the grid holds; Record arrangement writes each start.
TEST_F(LiveLaunch, ALaunchedPatternLoopsOverTheGridEachStartAnUndoStepAndStopEndsIt) {
    doc.song.patterns[1].lineCount = 8;
    doc.song.sequence[20][0] = {3, 0, 0};  // waits: the track plays its launch
    doc.player.live.recordArrangement = 1;
    doc.engine.QueueLaunch(0, 1, -5, -1);
    Lines(34);  // starts at the first bar, row 0, and loops every 8 rows
    UiEvents();
    for (const int row : {0, 8, 16, 24, 32})
        EXPECT_EQ(doc.song.sequence[row][0].transpose, -5) << row;
    lock.unlock();
    ASSERT_TRUE(doc.Undo());
    lock.lock();
    EXPECT_EQ(doc.song.sequence[32][0].pattern, kEmptySlot);
    EXPECT_EQ(doc.song.sequence[24][0].pattern, 1);

    ASSERT_TRUE(doc.engine.QueueLaunch(0, 2, 0, -1));  // at the end of the loop from 32
    // A pad's mapping may name a track or pattern past the last: refused.
    EXPECT_FALSE(doc.engine.QueueLaunch(kTrackCount, 2, 0, -1));
    EXPECT_FALSE(doc.engine.QueueLaunch(0, kPatternCount, 0, -1));
    Lines(8);
    auto heard = Heard();
    for (int line = 16; line < 42; ++line)
        EXPECT_EQ(heard[line], line < 40 ? (line % 8 ? 36 : 56) : (line == 40 ? 62 : 42)) << line;
    doc.engine.QueueMuteFlip(1);
    doc.StopPlayback();
    EXPECT_FALSE(doc.engine.QueueLaunch(0, 1, 0, -1));  // nothing queued unless it plays
    EXPECT_EQ(doc.player.live.tracks[1].mute.kind, kNoLaunch);
    EXPECT_FALSE(doc.player.live.tracks[0].launched);
}

}  // namespace
}  // namespace tarvel

// A MIDI input as the musician meets it: its notes sound on the current channel's device and
// always stop where they sounded; in record mode they go into the pattern like note keys, and
// while the pattern plays, at the line being played; each written note is one undo step.
#include <gmock/gmock.h>

#include "document/DocumentMidiInput.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using testing::Locked;

class MidiInput : public testing::DocumentTest {
  protected:
    MidiInput() : DocumentTest(3) {}
    void Send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2 = 0) {
        input.ReceiveMidi({status, data1, data2});
    }
    // The note and velocity written on a line of track 5, and the cursor line after it.
    std::vector<int> Written(int line) {
        return {Cell(line, 5).note, Cell(line, 5).velocity, e.cursorLine};
    }

    DocumentMidiInput input{doc};
};

TEST_F(MidiInput, NotesSoundOnTheCurrentChannelsDeviceAndStopWhereTheySounded) {
    e.currentChannel = 2;
    Locked(doc, [&] { doc.SetChannelDevice(2, 1); });
    Send(0x90, 60, 100);  // whatever channel the keyboard sends on
    Send(0x95, 64, 1);    // the softest note is a note
    EXPECT_THAT(t.TakeSent(), ElementsAre("92 3c 64@1", "92 40 01@1"));

    // Channel and device change while the keys are held: the note-offs follow the notes.
    e.currentChannel = 3;
    Locked(doc, [&] { doc.SetChannelDevice(2, 2); });
    Send(0x80, 60, 10);
    Send(0x90, 64, 0);  // note-on with velocity 0 is a note-off
    Send(0x80, 64, 0);  // nothing sounds any more: nothing sent
    EXPECT_THAT(t.TakeSent(), ElementsAre("82 3c 64@1", "82 40 64@1"));

    // The same key again before its release stops the first note first.
    Send(0x90, 67, 90);
    Send(0x90, 67, 91);
    EXPECT_THAT(t.TakeSent(), ElementsAre("93 43 5a@0", "83 43 64@0", "93 43 5b@0"));

    // Controllers and the pitch wheel follow the current channel to its device (moving it
    // releases nothing of the input's: not a voice slot's note); the rest of what a keyboard
    // sends is not ours.
    Locked(doc, [&] { doc.SetChannelDevice(3, 2); });
    for (const MidiInMessage m :
         {MidiInMessage{0xB7, 1, 64}, {0xE0, 0, 0x50}, {0xC0, 5, 0}, {0xD0, 40, 0}, {0xA0, 60, 40}})
        input.ReceiveMidi(m);
    EXPECT_THAT(t.TakeSent(), ElementsAre("b3 01 40@2", "e3 00 50@2"));

    // Stop releases what the input sounds, where it sounds.
    Locked(doc, [&] { doc.StopPlayback(); });
    EXPECT_THAT(t.TakeSent(), ElementsAre("83 43 64@0"));
}

TEST_F(MidiInput, RecordModeWritesAtTheCursorStepsByTheEditStepAndCanRecordVelocity) {
    e.cursorTrack = 5;
    Send(0x90, 60, 100);  // record off: sound only
    Send(0x80, 60, 0);
    EXPECT_EQ(Written(0), (std::vector<int>{kNoNote, kDefaultVelocity, 0}));

    Locked(doc, [&] { doc.StartPlayback(kSongMode); });  // the song plays: still at the cursor
    e.recordMode = 1;
    e.editStep = 3;
    Send(0x90, 61, 100);  // velocity is written only when asked
    Send(0x90, 61, 0);    // a note-off writes nothing, also as a note-on of velocity 0
    EXPECT_EQ(Written(0), (std::vector<int>{61, kDefaultVelocity, 3}));

    doc.inputRecording.recordVelocity = 1;
    Send(0x90, 62, 77);
    Send(0xB0, 64, 127);  // a pedal writes nothing
    EXPECT_EQ(Written(3), (std::vector<int>{62, 77, 6}));

    // Each note is one undo step, taken back newest first.
    EXPECT_THAT(UiEvents(), ::testing::Contains("invalidate"));
    EXPECT_EQ(doc.history.StepCount(), 2u);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Cell(3, 5).note, kNoNote);
    EXPECT_EQ(Cell(0, 5).note, 61);
}

TEST_F(MidiInput, LiveRecordingWritesAtTheNearestLinePlayed) {
    Locked(doc, [&] { doc.StartPlayback(kPatternMode); });  // 120 ms lines
    e.recordMode = 1;
    e.cursorTrack = 2;
    // Ticks of 2 ms since the last note, the note, and the line it goes on. Line 0 starts at the
    // first tick; 30 ticks is 60 ms, half of the line.
    for (const auto& [ticks, note, line] :
         {std::tuple{1, 60, 0}, {28, 61, 0}, {1, 62, 1}, {59, 63, 1}, {29, 64, 2}}) {
        for (int i = 0; i < ticks; ++i) Locked(doc, [&] { doc.PlayerTick(); });
        Send(0x90, static_cast<std::uint8_t>(note), 100);
        Send(0x80, static_cast<std::uint8_t>(note), 0);
        EXPECT_EQ(Cell(line, 2).note, note) << "note " << note;
    }
    EXPECT_EQ(e.cursorLine, 0) << "the cursor stays while the pattern plays";

    // The last line's second half wraps to the first.
    Locked(doc, [&] {
        doc.song.patterns[0].lineCount = 4;
        doc.player.patternLine = 0;  // line 3 is playing
        doc.player.lineClock = 100;
    });
    Send(0x90, 70, 100);
    EXPECT_EQ(Cell(0, 2).note, 70);
    Locked(doc, [&] { doc.player.lineClock = 10; });  // and its first half keeps it
    Send(0x90, 71, 100);
    EXPECT_EQ(Cell(3, 2).note, 71);
}

}  // namespace
}  // namespace tarvel

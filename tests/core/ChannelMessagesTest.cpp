// The sends outside the player: notes and their slots, the MIDI menu, and the opening and
// closing of the devices.
#include <gmock/gmock.h>

#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Locked;

using ChannelMessages = testing::DocumentTest;

TEST_F(ChannelMessages, NotesGoToTheChannelsDeviceOneNotePerSlot) {
    Hold();
    doc.song.channelDevice[3] = 1;
    doc.NoteOn(3, 5, 60, 100);
    doc.NoteOn(3, 6, 62, 90);  // another column of the channel sounds along
    doc.NoteOn(3, 5, 64, 0);   // same slot: the old note is released first, velocity 0 as is
    doc.NoteOff(3, 5);
    doc.NoteOff(3, 5);  // empty slot: nothing
    EXPECT_THAT(t.TakeSent(),
                ElementsAre("93 3c 64@1", "93 3e 5a@1", "83 3c 64@1", "93 40 00@1", "83 40 64@1"));

    // Out-of-range arguments are masked, never sent as status bytes.
    doc.NoteOn(17, 18, 0x1C8, 0x90);  // channel 1, column 2, note byte 0xC8
    EXPECT_EQ(doc.song.soundingNote[1][2], 0xC8);
    doc.SendControlChange(0, 0x87, 0xFF);
    EXPECT_THAT(t.TakeSent(), ElementsAre("91 48 10@0", "b0 07 7f@0", "b0 07 7f@1"));

    // A channel routed to no open device drops its notes, but its slot still tracks them.
    doc.song.channelDevice[0] = 255;
    doc.NoteOn(0, 0, 60, 100);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
    EXPECT_EQ(doc.song.soundingNote[0][0], 60);
}

// Each sends its controller to all 16 channels of both devices, after releasing the notes
// (a controller reset silences nothing by itself).
TEST_F(ChannelMessages, TheMidiMenuReleasesOrForgetsTheNotesThenSendsItsControllerEverywhere) {
    for (const std::string controller : {"7b", "79"}) {  // All Notes Off, Reset All Controllers
        Locked(doc, [&] {
            doc.NoteOn(4, 9, 50, 100);
            doc.player.pendingAction[4][9] = kPendingDelayedNote;
        });
        t.TakeSent();
        controller == "7b" ? doc.MidiAllNotesOff() : doc.MidiResetControllers();
        const std::vector<std::string> sent = t.TakeSent();
        ASSERT_EQ(sent.size(), 33u);
        EXPECT_EQ(sent[0], "84 32 64@0");
        EXPECT_EQ(sent[1], "b0 " + controller + " 00@0");
        EXPECT_EQ(sent[32], "bf " + controller + " 00@1");
        EXPECT_EQ(doc.player.pendingAction[4][9], kNoAction);
    }
    ASSERT_EQ(t.ui.Messages().size(), 2u);
    for (const UserMessage& box : t.ui.Messages()) EXPECT_TRUE(box.ownedByFrame);
}

// Only the first 32 devices are opened; a device that fails to open shows one error, and the
// rest are silenced: an earlier run may have left notes sounding.
TEST(MidiPorts, StartUpSilencesTheFirst32OpenDevicesAndAFailingOneShowsOneError) {
    testing::RecordingUi ui;
    RecordingMidiOut midi(40);
    midi.FailOpen(1);
    auto doc = std::make_unique<CFennoralDoc>(ui, midi, DocOptions{false});
    EXPECT_THAT(ui.Events(),
                ElementsAre("message:error:MIDI Initialization:Error opening midi out device\n\n"
                            "Recorder 1: the test refused it."));
    std::vector<std::string> silence;  // All Notes Off on every channel
    for (int device = 0; device < 32; ++device)
        for (int channel = 0; channel < 16 && device != 1; ++channel)
            silence.push_back(testing::Describe(
                {device, {static_cast<std::uint8_t>(0xB0 + channel), 123, 0}, 3, 0}));
    EXPECT_EQ(testing::TakeSent(midi), silence);
    EXPECT_FALSE(midi.IsOpen(32));
    // Playing on, each tick's due time goes only to the devices that opened.
    Locked(*doc, [&] {
        doc->StartPlayback(kPatternMode);
        doc->PlayerTick(1'000'000'000);
    });
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <thread>
#include <utility>

#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::TestDocument;

class ChannelMessages : public ::testing::Test {
  protected:
    explicit ChannelMessages(int devices = 2) : t(devices) {}
    void SetUp() override {
        t.Settle();
        lock = std::unique_lock(doc.mutex);
    }
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    std::unique_lock<DocumentMutex> lock;
};

TEST_F(ChannelMessages, NotesGoToTheChannelsDeviceAndOneNotePerSlot) {
    doc.song.channelDevice[3] = 1;
    doc.NoteOn(3, 5, 60, 100);
    doc.NoteOn(3, 5, 64, 0);  // same slot: the old note is released first, velocity 0 as is
    doc.NoteOff(3, 5);
    doc.NoteOff(3, 5);  // empty slot: nothing
    EXPECT_THAT(t.TakeSent(), ElementsAre("93 3c 64@1", "83 3c 64@1", "93 40 00@1", "83 40 64@1"));
    EXPECT_EQ(doc.song.soundingNote[3][5], -1);
}

TEST_F(ChannelMessages, ColumnsOfOneChannelOverlapAndReleaseOnlyTheirOwnNote) {
    doc.NoteOn(0, 0, 60, 90);
    doc.NoteOn(0, 1, 64, 91);
    doc.NoteOff(0, 0);
    EXPECT_THAT(t.TakeSent(), ElementsAre("90 3c 5a@0", "90 40 5b@0", "80 3c 64@0"));
    EXPECT_EQ(doc.song.soundingNote[0][1], 64);
}

TEST_F(ChannelMessages, EverythingButNotesGoesToEveryDeviceInOrder) {
    doc.SendControlChange(2, 7, 100);
    doc.SendPitchWheel(2, 0, 0x40);
    doc.SendSystemMessage(0xF8, 0);  // real-time: one byte on the wire
    doc.SendSystemMessage(0xF3, 2);  // song select: the data sits in the byte that is dropped
    doc.SendSystemMessage(0xF2, 5);
    EXPECT_THAT(t.TakeSent(),
                ElementsAre("b2 07 64@0", "b2 07 64@1", "e2 00 40@0", "e2 00 40@1", "f8@0", "f8@1",
                            "f3 00@0", "f3 00@1", "f2 00 05@0", "f2 00 05@1"));
}

TEST_F(ChannelMessages, OutOfRangeArgumentsAreMaskedNeverSentAsStatusBytes) {
    doc.NoteOn(17, 18, 0x1C8, 0x90);  // channel 1, column 2, note byte 0xC8
    EXPECT_EQ(doc.song.soundingNote[1][2], 0xC8);
    doc.SendControlChange(0, 0x87, 0xFF);
    EXPECT_THAT(t.TakeSent(), ElementsAre("91 48 10@0", "b0 07 7f@0", "b0 07 7f@1"));
}

TEST_F(ChannelMessages, ProgramChangeUpdatesThePanelOnlyForTheCurrentChannel) {
    doc.editor.currentChannel = 3;
    doc.SetChannelProgram(2, 7);
    lock.unlock();
    doc.DispatchUiSignals();
    EXPECT_THAT(t.ui.Events(), IsEmpty());

    lock.lock();
    doc.SetChannelProgram(3, 5);
    EXPECT_EQ(doc.song.channelProgram[3], 5);
    EXPECT_THAT(t.TakeSent(), ElementsAre("c2 07@0", "c2 07@1", "c3 05@0", "c3 05@1"));
    lock.unlock();
    doc.DispatchUiSignals();
    EXPECT_THAT(t.ui.Events(), ElementsAre("program:5"));
}

TEST_F(ChannelMessages, AllNotesOffReleasesSoundingNotesThenSendsTheController) {
    lock.unlock();
    doc.MidiAllNotesOff();
    std::vector<std::string> sent = t.TakeSent();
    ASSERT_EQ(sent.size(), 32u);
    EXPECT_EQ(sent[0], "b0 7b 00@0");
    EXPECT_EQ(sent[1], "b0 7b 00@1");
    EXPECT_EQ(sent[31], "bf 7b 00@1");

    lock.lock();
    doc.NoteOn(4, 9, 50, 100);
    doc.player.pendingAction[4][9] = kPendingDelayedNote;
    t.TakeSent();
    lock.unlock();
    doc.MidiAllNotesOff();
    sent = t.TakeSent();
    ASSERT_EQ(sent.size(), 33u);
    EXPECT_EQ(sent[0], "84 32 64@0");
    EXPECT_EQ(doc.player.pendingAction[4][9], kNoAction);
    EXPECT_THAT(t.ui.Events(),
                ElementsAre("message:info:MIDI Message send:'All notes off message' has been "
                            "send to all devices and channels",
                            "message:info:MIDI Message send:'All notes off message' has been "
                            "send to all devices and channels"));
}

TEST_F(ChannelMessages, ControllerResetReleasesSoundingNotesThenResetsEveryChannel) {
    doc.NoteOn(0, 0, 60, 100);
    t.TakeSent();
    lock.unlock();
    doc.MidiResetControllers();
    std::vector<std::string> sent = t.TakeSent();
    ASSERT_EQ(sent.size(), 33u);
    EXPECT_EQ(sent[0], "80 3c 64@0");  // controller 121 silences nothing by itself
    EXPECT_EQ(sent[1], "b0 79 00@0");
    EXPECT_THAT(t.ui.Events(),
                ElementsAre("message:info:MIDI Message send:'All controller reset' message has "
                            "been send to all devices and channels"));
    lock.lock();
    doc.NoteOn(0, 0, 62, 100);  // the slot was released: no second note-off
    EXPECT_THAT(t.TakeSent(), ElementsAre("90 3e 64@0"));
}

TEST_F(ChannelMessages, ChannelRoutedToNoOpenDeviceDropsItsNotes) {
    doc.song.channelDevice[0] = 7;
    doc.NoteOn(0, 0, 60, 100);
    doc.NoteOff(0, 0);
    doc.song.channelDevice[0] = 255;
    doc.NoteOn(0, 0, 60, 100);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
    EXPECT_EQ(doc.song.soundingNote[0][0], 60);
}

TEST(MidiPorts, FailingDeviceShowsOneErrorAndTheOthersStillPlay) {
    testing::RecordingUi ui;
    RecordingMidiOut midi(3);
    midi.FailOpen(1);
    auto doc = std::make_unique<CFennoralDoc>(ui, midi, DocOptions{false});
    EXPECT_THAT(ui.Events(),
                ElementsAre("message:error:MIDI Initialization:Error opening midi out device"));
    EXPECT_EQ(doc->ports.deviceCount, 3);
    // Start-up silences what an earlier run may have left: All Notes Off on every channel of
    // every device that opened.
    std::vector<std::string> silence;
    for (int device : {0, 2})
        for (int channel = 0; channel < 16; ++channel)
            silence.push_back(testing::Describe({device, {std::uint8_t(0xB0 + channel), 123, 0}, 3, 0}));
    EXPECT_EQ(testing::TakeSent(midi), silence);
    std::lock_guard lock(doc->mutex);
    doc->SendControlChange(0, 1, 2);
    EXPECT_EQ(midi.Messages().size(), 2u);
}

TEST(MidiPorts, NoDeviceAtAllStartsSilentlyAndMoreThan32UseTheFirst32) {
    testing::RecordingUi ui;
    RecordingMidiOut none(0);
    auto silent = std::make_unique<CFennoralDoc>(ui, none, DocOptions{false});
    {
        std::lock_guard lock(silent->mutex);
        silent->NoteOn(0, 0, 60, 100);
        silent->SendAllPrograms();
    }
    EXPECT_THAT(ui.Events(), IsEmpty());

    RecordingMidiOut many(40);
    auto doc = std::make_unique<CFennoralDoc>(ui, many, DocOptions{false});
    EXPECT_EQ(doc->ports.deviceCount, 32);
    EXPECT_TRUE(many.IsOpen(31));
    EXPECT_FALSE(many.IsOpen(32));
    doc->CloseMidiPorts();
    EXPECT_FALSE(many.IsOpen(0));
}

TEST(MidiPorts, CloseReleasesSoundingNotesThenClosesEveryDevice) {
    TestDocument t(2);
    {
        std::lock_guard lock(t.doc->mutex);
        t.doc->NoteOn(1, 0, 60, 100);
    }
    t.TakeSent();
    t.doc->CloseMidiPorts();
    EXPECT_THAT(t.TakeSent(), ElementsAre("81 3c 64@0"));
    EXPECT_FALSE(t.midi.IsOpen(0));
    EXPECT_FALSE(t.midi.IsOpen(1));
}

TEST(MidiPorts, DriverInformationText) {
    TestDocument t(2);
    t.doc->song.channelDevice[0] = 1;
    t.doc->ShowMidiOutInfo();
    EXPECT_THAT(t.ui.Events(),
                ElementsAre("message:info:MIDI Out driver info:Name: Recorder 1 \nVersion: 100 "
                            "\nManufacturer ID: 1 \nProduct ID: 1 \nVoices 16 \n\nDevice "
                            "supports:\nVolume control"));
    ASSERT_EQ(t.ui.Messages().size(), 1u);
    EXPECT_TRUE(t.ui.Messages()[0].ownedByFrame);
}

TEST(MidiMessageLength, FollowsTheMidiStandard) {
    const std::pair<int, int> lengths[] = {{0x90, 3}, {0xC5, 2}, {0xD5, 2}, {0xE0, 3}, {0xF0, 0},
                                           {0xF1, 2}, {0xF2, 3}, {0xF6, 1}, {0xFE, 1}, {0x40, 0}};
    for (const auto& [status, length] : lengths)
        EXPECT_EQ(MidiMessageLength(status), length) << status;
}

// Two threads start and stop notes in one voice slot: the wire must never show a second
// note-on before the note-off of the first, and the slot must name the last note sent.
TEST(MidiPortsConcurrency, OneSlotNeverDoublesANoteUnderTwoThreads) {
    TestDocument t(1);
    t.midi.Clear();
    CFennoralDoc& doc = *t.doc;
    auto hammer = [&doc](int firstNote) {
        for (int i = 0; i < 5000; ++i) {
            std::lock_guard lock(doc.mutex);
            if (i % 3 == 2)
                doc.NoteOff(0, 0);
            else
                doc.NoteOn(0, 0, firstNote + i % 12, 100);
        }
    };
    std::thread other(hammer, 40);
    hammer(70);
    other.join();

    int sounding = -1;
    for (const RecordedMessage& m : t.midi.Messages()) {
        if ((m.bytes[0] & 0xF0) == 0x90) {
            ASSERT_EQ(sounding, -1) << "note-on while note " << sounding << " still sounds";
            sounding = m.bytes[1];
        } else if ((m.bytes[0] & 0xF0) == 0x80) {
            ASSERT_EQ(sounding, m.bytes[1]);
            sounding = -1;
        }
    }
    EXPECT_EQ(doc.song.soundingNote[0][0], sounding);
}

}  // namespace
}  // namespace tarvel

// A keyboard on a private JACK server plays into Tarvel's own input port: the notes come back
// to its own input through thru, a period later; pads chosen as the launch input launch; a window
// holding the document lock makes no JACK cycle wait. (Recording at the lines played:
// MidiInputTest.)
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

#include "document/DocumentMidiInput.h"
#include "platform/JackMidiIn.h"
#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/JackKeyboard.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A keyboard "keys" plays into our own input port; the document on the JACK back end is past
// its start-up's All Notes Off.
class JackInput : public ::testing::Test {
  protected:
    // What the keyboard's input heard from index `from` on, once `count` more have come.
    std::vector<Bytes> HeardFrom(std::size_t from, std::size_t count) {
        std::vector<Bytes> heard;
        const auto got = keys->WaitForReceived(from + count);
        for (std::size_t i = from; i < got.size(); ++i) heard.push_back(got[i].Data());
        return heard;
    }

    void SetUp() override {
        if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
        keys.emplace("keys", /*listen=*/true);  // before the driver lists its outputs
        ASSERT_TRUE(keys->ok());
        driver.emplace(RtMidiOutDriver::Api::Jack, "tarvel-test");
        ASSERT_EQ(driver->DeviceCount(), 2);  // the keyboard's input, then our own output port
        doc = std::make_unique<CFennoralDoc>(ui, *driver, DocOptions{.startTimer = true});
        sink.emplace(*doc);
        input = JackMidiIn::Connect("tarvel-in", *sink);
        ASSERT_TRUE(input);
        EXPECT_EQ(input->PortNames().at(0), kOwnInputPortName);  // none: an exception fails
        ASSERT_TRUE(input->Open(kOwnInputPortName));
        ASSERT_TRUE(keys->ConnectTo(input->OwnPortName()));
        ASSERT_TRUE(keys->WaitForInputConnection());
        keys->WaitForReceived(16, 2000);
    }

    testing::JackHarness jack{/*realtime=*/true};
    std::optional<testing::JackKeyboard> keys;
    std::optional<RtMidiOutDriver> driver;
    testing::RecordingUi ui;
    std::unique_ptr<CFennoralDoc> doc;
    std::optional<DocumentMidiInput> sink;
    std::unique_ptr<JackMidiIn> input;
};

TEST_F(JackInput, NotesPlayedIntoOurPortSoundThroughAPeriodLater) {
    // Thru, on the current channel, at the incoming velocity.
    testing::Locked(*doc, [&] { doc->editor.currentChannel = 4; });
    const std::size_t before = keys->Received().size();
    keys->Play(0x90, 60, 99);
    keys->Play(0xB0, 7, 80);
    keys->Play(0x80, 60, 0);
    EXPECT_EQ(HeardFrom(before, 3),
              (std::vector<Bytes>{{0x94, 60, 99}, {0xB4, 7, 80}, {0x84, 60, 0x64}}));
    // Each at its own frame, exactly one period on. One that came while a tick held the lock
    // goes later, so most, not all, must be exact.
    const std::vector<testing::StampedMessage> sent = keys->Sent();
    const std::vector<testing::StampedMessage> received = keys->Received();
    int exact = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::int64_t latency = received[before + i].frame - sent[sent.size() - 3 + i].frame;
        EXPECT_GE(latency, 128) << "message " << i;
        exact += latency == 128;
    }
    EXPECT_GE(exact, 2) << "xruns: " << jack.Xruns();
}

// The window holds the lock for 50 ms while the keyboard plays: the JACK cycle does not wait for
// it (no xrun), and every note comes out through thru, in order.
TEST_F(JackInput, AWindowHoldingTheLockMakesNoCycleWait) {
    const std::size_t before = keys->Received().size();
    std::vector<Bytes> played;
    const int xrunsBefore = jack.Xruns();
    {
        std::lock_guard lock(doc->mutex);
        for (std::uint8_t note = 60; note < 70; ++note) {
            keys->Play(0x90, note, 100);
            keys->Play(0x80, note, 0);
            played.push_back({0x90, note, 100});
            played.push_back({0x80, note, 0x64});
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    EXPECT_EQ(HeardFrom(before, played.size()), played);
    EXPECT_EQ(jack.Xruns(), xrunsBefore);
    EXPECT_EQ(doc->DroppedInput(), 0u);
}

// Pads chosen as the launch input, and not as an input: in live mode their note 9 launches
// pattern 9 unheard, while the keyboard on our own port goes on playing through.
TEST_F(JackInput, ThePadsChosenForLaunchingLaunchWhileTheKeyboardPlaysOn) {
    testing::JackKeyboard pads("pads");
    ASSERT_TRUE(pads.ok());
    ASSERT_TRUE(input->SetLaunchInput("pads:out"));
    const auto launched = [&] {
        std::lock_guard lock(doc->mutex);
        const QueuedLaunch& queued = doc->player.live.tracks[4].pattern;
        return queued.kind != kNoLaunch && queued.pattern == 9;
    };
    testing::Locked(*doc, [&] {
        doc->inputRecording.launchInputChosen = 1;
        doc->editor.currentChannel = 4;
        doc->engine.SetLiveMode(true);
        doc->StartPlayback(kSongMode);
    });
    const std::size_t before = keys->Received().size();
    // JACK connects in its own time: the pads play until their note arrives.
    for (int attempt = 0; attempt < 50 && !launched(); ++attempt) {
        pads.Play(0x90, 9, 100);
        pads.Play(0x80, 9, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(launched());
    keys->Play(0x90, 61, 90);
    keys->Play(0x80, 61, 0);
    EXPECT_EQ(HeardFrom(before, 2), (std::vector<Bytes>{{0x94, 61, 90}, {0x84, 61, 0x64}}));
    testing::Locked(*doc, [&] { doc->StopPlayback(); });
}

}  // namespace
}  // namespace tarvel

// A keyboard on a private JACK server plays into Tarvel's own input port: the notes come back
// to its own input through thru, and with record on, while the pattern plays, they are written at
// the lines played; a window holding the document lock makes no JACK cycle wait.
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

TEST_F(JackInput, NotesPlayedIntoOurPortSoundThroughAndAreRecordedAtTheRightLines) {
    // Thru, on the current channel, at the incoming velocity.
    {
        std::lock_guard lock(doc->mutex);
        doc->editor.currentChannel = 4;
    }
    const std::size_t before = keys->Received().size();
    keys->Play(0x90, 60, 99);
    keys->Play(0xB0, 7, 80);
    keys->Play(0x80, 60, 0);
    std::vector<Bytes> thru;
    for (const auto& m : keys->WaitForReceived(before + 3)) thru.push_back(m.Data());
    thru.erase(thru.begin(), thru.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ(thru, (std::vector<Bytes>{{0x94, 60, 99}, {0xB4, 7, 80}, {0x84, 60, 0x64}}));
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

    // Live: the pattern plays at 120 ms a line; a note played early in a line belongs to it.
    std::vector<int> linesPlayed;
    {
        std::lock_guard lock(doc->mutex);
        doc->editor.recordMode = 1;
        doc->editor.cursorTrack = 1;
        doc->SetBpm(125);
        doc->StartPlayback(kPatternMode);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (linesPlayed.size() < 4 && std::chrono::steady_clock::now() < deadline) {
        int line = -1;
        {
            std::lock_guard lock(doc->mutex);
            // 10..30 ms into a line: well before its half, even a period late.
            if (doc->player.lineClock >= 10 && doc->player.lineClock <= 30)
                line = doc->player.patternLine - 1;
        }
        if (line >= 0 && line % 3 == 0 && (linesPlayed.empty() || linesPlayed.back() != line)) {
            keys->Play(0x90, static_cast<std::uint8_t>(70 + linesPlayed.size()), 100);
            keys->Play(0x80, static_cast<std::uint8_t>(70 + linesPlayed.size()), 0);
            linesPlayed.push_back(line);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(linesPlayed.size(), 4u);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::lock_guard lock(doc->mutex);
    doc->StopPlayback();
    for (std::size_t i = 0; i < linesPlayed.size(); ++i)
        EXPECT_EQ(doc->song.patterns[0].cells[linesPlayed[i]][1].note, 70 + static_cast<int>(i))
            << "line " << linesPlayed[i];
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
    std::vector<Bytes> thru;
    const auto got = keys->WaitForReceived(before + played.size());
    for (std::size_t i = before; i < got.size(); ++i) thru.push_back(got[i].Data());
    EXPECT_EQ(thru, played);
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
    {
        std::lock_guard lock(doc->mutex);
        doc->inputRecording.launchInputChosen = 1;
        doc->editor.currentChannel = 4;
        doc->engine.SetLiveMode(true);
        doc->StartPlayback(kSongMode);
    }
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
    const auto got = keys->WaitForReceived(before + 2);
    std::vector<Bytes> heard;
    for (std::size_t i = before; i < got.size(); ++i) heard.push_back(got[i].Data());
    EXPECT_EQ(heard, (std::vector<Bytes>{{0x94, 61, 90}, {0x84, 61, 0x64}}));
    std::lock_guard lock(doc->mutex);
    doc->StopPlayback();
}

}  // namespace
}  // namespace tarvel

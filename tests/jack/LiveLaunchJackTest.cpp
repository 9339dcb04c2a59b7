// Live mode on the real clock and the real back end: a pattern launched while the song plays
// reaches a monitor on a private JACK server exactly at the next bar. (Recording the launches
// into the grid: LiveLaunchTest.)
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/JackKeyboard.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// BPM 130: lines of 116 ms, six MIDI clocks a line, so line n starts with clock 6n after Start
// and its notes go out at that clock's frame. Track 0 plays the grid's pattern 0 (a note on
// line 0 only) until pattern 1, launched during line 2 for the next bar, takes over at line 16.
TEST(JackLive, ALaunchedPatternStartsAtTheBarsClockAndFrame) {
    testing::JackHarness jack(/*realtime=*/true, 256);
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    testing::JackKeyboard monitor("midi-monitor", /*listen=*/true);
    ASSERT_TRUE(monitor.ok());
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-live");
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{.startTimer = true});
    ASSERT_TRUE(monitor.WaitForInputConnection());
    monitor.WaitForReceived(16, 2000);  // start-up's All Notes Off

    const std::size_t before = monitor.Received().size();
    testing::Locked(*doc, [&] {
        doc->SetBpm(130);
        doc->SetSendsClock(0, true);
        doc->song.patterns[0].cells[0][0] = {60, 100, kNoCommand, 0};
        doc->song.patterns[1].lineCount = 4;
        doc->song.patterns[1].cells[0][0] = {72, 100, kNoCommand, 0};
        doc->song.sequence[0][0] = {0, 0, 0};
        doc->player.live.boundary = kAtNextBar;
        doc->engine.SetLiveMode(true);
        doc->StartPlayback(kSongMode);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(290));  // line 2
    {
        std::lock_guard lock(doc->mutex);
        ASSERT_EQ(doc->player.playRow, 2);
        ASSERT_TRUE(doc->engine.QueueLaunch(0, 1, 0, -1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1750));  // into line 17
    testing::Locked(*doc, [&] { doc->StopPlayback(); });
    const auto got = monitor.WaitForReceived(SIZE_MAX, 500);

    int clocks = 0;
    std::int64_t barFrame = -1;  // clock 96's: line 16 starts there
    int launchedAtClock = -1;
    std::int64_t launchedFrame = -1;
    for (std::size_t i = before; i < got.size(); ++i) {
        const testing::StampedMessage& m = got[i];
        if (m.Data() == Bytes{0xF8}) {
            if (clocks++ == 6 * 16) barFrame = m.frame;
        } else if (m.Data() == Bytes{0x90, 72, 100} && launchedAtClock < 0) {
            launchedAtClock = clocks - 1;
            launchedFrame = m.frame;
        }
    }
    // Exactly at the bar's clock and frame. A period the monitor missed (an xrun on a loaded
    // machine) loses what it carried, at most one clock, and shifts the server's frame clock.
    const int xruns = jack.Xruns();
    if (xruns == 0) {
        EXPECT_EQ(launchedAtClock, 6 * 16) << "clocks received: " << clocks;
        EXPECT_EQ(launchedFrame, barFrame);
    } else {
        EXPECT_LE(launchedAtClock, 6 * 16) << "xruns: " << xruns;
        EXPECT_GE(launchedAtClock, 6 * 16 - xruns) << "xruns: " << xruns;
    }
    doc->CloseMidiPorts();
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

// The real 2 ms clock plays a one-line pattern in pattern mode at BPM 125 into a private JACK
// server; jack_midi_dump stamps each note-on with the server's frame time.
TEST(JackPlayerTiming, PatternLinesAtBpm125Arrive120MsApart) {
    testing::JackHarness jack(/*realtime=*/true);
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-timing");
    ASSERT_EQ(driver.DeviceCount(), 1) << "only jack_midi_dump should be listening";

    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{.startTimer = true});
    ASSERT_TRUE(jack.WaitForMonitorConnection());
    {
        std::lock_guard lock(doc->mutex);
        ASSERT_NE(doc->player.timerId, 0u);
        doc->song.patterns[0].lineCount = 1;
        doc->song.patterns[0].cells[0][0] = {60, 100, kNoCommand, 0};
        doc->SetBpm(125);
        doc->StartPlayback(kPatternMode);
    }
    constexpr int kLines = 26;  // about 3 s; each line after the first also releases a note
    constexpr int kStartUpSilence = 16;  // All Notes Off on every channel
    const auto dumped = jack.WaitForMessages(kStartUpSilence + 2 * kLines - 1, 10000);
    doc->CloseMidiPorts();
    std::vector<std::int64_t> lineStarts;
    for (const auto& message : dumped)
        if (message.bytes.size() == 3 && message.bytes[0] == 0x90)
            lineStarts.push_back(message.frame);
    ASSERT_GE(lineStarts.size(), static_cast<std::size_t>(kLines));
    lineStarts.resize(kLines);

    // 120 ms at 48 kHz is exactly 45 periods of 128 frames. JACK hands a message out at the
    // start of the period after it arrived, so a line start is stamped 0..1 period late; the
    // clock's wake-up lateness (well under a tick, 2 ms, so under one period) only decides which
    // period. So every interval is 5760 frames, give or take one period.
    //
    // The dummy driver is not a perfect clock: when its own thread wakes late (an "xrun" in its
    // log, common on a busy shared machine) it restarts its frame count from that moment and a
    // few frames, sometimes a message, are lost. Each xrun may spoil the two intervals around it;
    // nothing else may.
    constexpr std::int64_t kLineFrames = 120 * testing::JackHarness::kSampleRate / 1000;
    constexpr std::int64_t kPeriodFrames = 128;
    std::vector<std::int64_t> intervals;
    std::string shown;
    int outside = 0;
    for (std::size_t i = 1; i < lineStarts.size(); ++i) {
        intervals.push_back(lineStarts[i] - lineStarts[i - 1]);
        shown += std::to_string(intervals.back()) + " ";
        if (std::abs(intervals.back() - kLineFrames) > kPeriodFrames) ++outside;
    }
    const int xruns = jack.Xruns();
    EXPECT_LE(outside, 2 * xruns) << "intervals in frames: " << shown << "; xruns: " << xruns;
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    EXPECT_NEAR(intervals[intervals.size() / 2], kLineFrames, kPeriodFrames) << shown;
}

}  // namespace
}  // namespace tarvel

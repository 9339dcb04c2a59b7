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

using Bytes = std::vector<std::uint8_t>;

// Whether `part` is `whole` with some messages left out, none changed and none reordered.
bool IsInOrderSubset(const std::vector<Bytes>& part, const std::vector<Bytes>& whole) {
    std::size_t next = 0;
    for (const Bytes& message : part) {
        while (next < whole.size() && whole[next] != message) ++next;
        if (next == whole.size()) return false;
        ++next;
    }
    return true;
}

// The document opens the real back end on a private JACK server, where jack_midi_dump stamps
// what arrives with the server's frame time: exactly the bytes sent arrive, in order, and the
// real 2 ms clock plays a one-line pattern at BPM 125 with its lines 120 ms apart.
TEST(Jack, EveryKindOfMessageArrivesInOrderAndTheClockKeepsTime) {
    testing::JackHarness jack(/*realtime=*/true);
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-test");
    ASSERT_EQ(driver.DeviceCount(), 2) << "jack_midi_dump's input, then our own port";
    EXPECT_STREQ(driver.Describe(0).productName, "midi-monitor:input");
    EXPECT_STREQ(driver.Describe(1).productName, "tarvel-test:out");
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{.startTimer = true});
    EXPECT_TRUE(ui.Messages().empty());
    ASSERT_TRUE(jack.WaitForMonitorConnection());
    jack.WaitForMessages(16, 2000);  // start-up's All Notes Off, unless sent before the connection

    // A server that falls behind on a loaded machine may drop a late cycle's events: such a
    // round is sent again, but a changed or reordered byte fails at once.
    const std::vector<Bytes> expected = {{0x90, 60, 100}, {0xB1, 7, 90},   {0xC2, 5},
                                         {0xE3, 0, 0x40}, {0xF8},          {0x80, 60, 0x64},
                                         {0x90, 64, 80},  {0x80, 64, 0x64}};
    std::vector<Bytes> received;
    for (int round = 0; round < 3 && received != expected; ++round) {
        const std::size_t before = jack.WaitForMessages(0, 0).size();
        {
            std::lock_guard lock(doc->mutex);
            doc->NoteOn(0, 0, 60, 100);
            doc->SendControlChange(1, 7, 90);
            doc->SetChannelProgram(2, 5);
            doc->SendPitchWheel(3, 0, 0x40);
            doc->SendSystemMessage(0xF8, 0);
            doc->NoteOn(0, 0, 64, 80);  // releases 60 first
            doc->NoteOff(0, 0);
        }
        const auto dumped = jack.WaitForMessages(before + expected.size(), 3000);
        received.clear();
        for (std::size_t i = before; i < dumped.size(); ++i) received.push_back(dumped[i].bytes);
        ASSERT_TRUE(IsInOrderSubset(received, expected)) << "a message arrived changed";
        if (received != expected)
            std::printf("round %d lost %zu message(s); JACK reported %d xrun(s)\n", round,
                        expected.size() - received.size(), jack.Xruns());
    }
    EXPECT_EQ(received, expected);

    const std::size_t before = jack.WaitForMessages(0, 0).size();
    {
        std::lock_guard lock(doc->mutex);
        ASSERT_NE(doc->player.timerId, 0u);
        doc->song.patterns[0].lineCount = 1;
        doc->song.patterns[0].cells[0][0] = {60, 100, kNoCommand, 0};
        doc->StartPlayback(kPatternMode);
    }
    constexpr int kLines = 26;  // about 3 s; each line after the first also releases a note
    const auto dumped = jack.WaitForMessages(before + 2 * kLines - 1, 10000);
    doc->CloseMidiPorts();
    std::vector<std::int64_t> lineStarts;
    for (std::size_t i = before; i < dumped.size(); ++i)
        if (dumped[i].bytes == Bytes{0x90, 60, 100}) lineStarts.push_back(dumped[i].frame);
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

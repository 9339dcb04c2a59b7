// Clock out and our own port on a private JACK server, as jack_midi_dump sees them.
#include <gtest/gtest.h>

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/PeriodicTimer.h"
#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Two seconds at BPM 130 with a note on every line: 116 ms lines, so a clock every 19.33 ms,
// which is not a whole number of 2 ms ticks but is exactly 928 frames at 48 kHz. Start, then
// clocks 928 frames apart within 0.25 ms (the server's own estimate of its cycle times moves a
// frame or two), each line's note at the frame of its first clock, then Stop. A dummy-driver xrun
// (a late server on a loaded machine) may spoil the intervals next to it, nothing more.
TEST(JackClockOut, ClocksAndNotesArriveEvenlySpacedBetweenStartAndStop) {
    testing::JackHarness jack(/*realtime=*/true, 256);
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-clock");
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{.startTimer = true});
    ASSERT_TRUE(jack.WaitForMonitorConnection());
    jack.WaitForMessages(16, 2000);  // start-up's All Notes Off
    const std::size_t before = jack.WaitForMessages(0, 0).size();
    {
        std::lock_guard lock(doc->mutex);
        doc->SetBpm(130);
        doc->SetSendsClock(0, true);
        doc->song.patterns[0].lineCount = 1;
        doc->song.patterns[0].cells[0][0] = {60, 100, kNoCommand, 0};
        doc->StartPlayback(kPatternMode);
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    {
        std::lock_guard lock(doc->mutex);
        doc->StopPlayback();
    }
    const auto stop = [&](const std::vector<testing::DumpedMessage>& dumped) {
        return std::find_if(dumped.begin() + static_cast<std::ptrdiff_t>(before), dumped.end(),
                            [](const auto& m) { return m.bytes == Bytes{0xFC}; });
    };
    auto dumped = jack.WaitForMessages(before + 130, 3000);
    for (int wait = 0; wait < 20 && stop(dumped) == dumped.end(); ++wait)
        dumped = jack.WaitForMessages(dumped.size() + 1, 100);
    doc->CloseMidiPorts();
    ASSERT_NE(stop(dumped), dumped.end());
    dumped.erase(stop(dumped), dumped.end());
    dumped.erase(dumped.begin(), dumped.begin() + static_cast<std::ptrdiff_t>(before));
    ASSERT_GE(dumped.size(), 120u);
    EXPECT_EQ(dumped.front().bytes, Bytes{0xFA});
    const int xruns = jack.Xruns();
    int outside = 0;
    int notes = 0;
    std::int64_t clock = -1;  // the last clock's frame
    std::string shown;
    for (const testing::DumpedMessage& m : dumped) {
        if (m.bytes == Bytes{0xF8}) {
            const std::int64_t interval = m.frame - clock;
            if (clock >= 0) shown += std::to_string(interval) + " ";
            if (clock >= 0 && std::abs(interval - 928) > 12) ++outside;  // 0.25 ms
            clock = m.frame;
        } else if (m.bytes == Bytes{0x90, 60, 100}) {
            ++notes;
            if (m.frame != clock) ++outside;
        }
    }
    EXPECT_GE(notes, 15);
    EXPECT_LE(outside, 2 * xruns) << "intervals in frames: " << shown << "; xruns: " << xruns;
}

// Our own port is there for programs to connect to, and what it sends reaches them; a time
// stamp far in the future (a fault) does not hold the port's queue back.
TEST(JackOwnPort, ProgramsConnectToItAndGetWhatItSends) {
    testing::JackHarness jack;
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-own");
    const int own = driver.DeviceCount() - 1;
    ASSERT_STREQ(driver.Describe(own).productName, "tarvel-own:out");
    driver.Close(own);  // not open: nothing happens
    ASSERT_TRUE(driver.Open(own));
    driver.Close(own);
    ASSERT_TRUE(driver.Open(own)) << "the port can be made again";
    jack_client_t* other = jack_client_open("connector", JackNoStartServer, nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(jack_connect(other, "tarvel-own:out", "midi-monitor:input"), 0);
    ASSERT_TRUE(jack.WaitForMonitorConnection());
    const std::uint8_t noteOn[] = {0x90, 60, 100};
    // A connection JACK has just reported may miss a cycle or two: then the note is sent again.
    std::vector<testing::DumpedMessage> dumped;
    for (int round = 0; round < 3 && dumped.empty(); ++round) {
        driver.SetDueTime(PeriodicTimer::MonotonicNowNs() + 3'600'000'000'000);
        driver.Send(own, noteOn, 3);
        driver.SetDueTime(0);
        dumped = jack.WaitForMessages(1, 1000);
    }
    ASSERT_GE(dumped.size(), 1u);
    EXPECT_EQ(dumped[0].bytes, (Bytes{0x90, 60, 100}));
    jack_client_close(other);
}

}  // namespace
}  // namespace tarvel

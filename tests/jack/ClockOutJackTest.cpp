// Clock out and our own port on a private JACK server, as jack_midi_dump sees them.
#include <gtest/gtest.h>

#include <jack/jack.h>

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

// Two seconds at BPM 130: 116 ms lines, so a clock every 19.33 ms, which is not a whole number
// of 2 ms ticks but is exactly 928 frames at 48 kHz. Start, then clocks 928 frames apart within
// 0.25 ms (the server's own estimate of its cycle times moves a frame or two), then Stop. A
// dummy-driver xrun (a late server on a loaded machine) may spoil the intervals next to it, nothing
// more.
TEST(JackClockOut, ClocksArriveEvenlySpacedBetweenStartAndStop) {
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
        doc->StartPlayback(kPatternMode);  // an empty pattern: clocks only
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    {
        std::lock_guard lock(doc->mutex);
        doc->StopPlayback();
    }
    auto dumped = jack.WaitForMessages(before + 100, 3000);
    for (int wait = 0; wait < 20 && dumped.back().bytes != Bytes{0xFC}; ++wait)
        dumped = jack.WaitForMessages(dumped.size() + 1, 100);
    doc->CloseMidiPorts();
    dumped.erase(dumped.begin(), dumped.begin() + static_cast<std::ptrdiff_t>(before));
    ASSERT_GE(dumped.size(), 90u);
    EXPECT_EQ(dumped.front().bytes, Bytes{0xFA});
    EXPECT_EQ(dumped.back().bytes, Bytes{0xFC});
    const int xruns = jack.Xruns();
    int outside = 0;
    std::string shown;
    for (std::size_t i = 2; i + 1 < dumped.size(); ++i) {
        ASSERT_EQ(dumped[i].bytes, Bytes{0xF8});
        const std::int64_t interval = dumped[i].frame - dumped[i - 1].frame;
        shown += std::to_string(interval) + " ";
        if (std::abs(interval - 928) > 12) ++outside;  // 0.25 ms
    }
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

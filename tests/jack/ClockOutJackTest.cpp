// Clock out and our own port on a private JACK server, at a monitor client that stamps each
// message with the time of its frame.
#include <gtest/gtest.h>

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/JackMonitor.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;

int DeviceNamed(RtMidiOutDriver& driver, const std::string& name) {
    for (int device = 0; device < driver.DeviceCount(); ++device)
        if (driver.Describe(device).productName == name) return device;
    return -1;
}

// The real clock plays two seconds at BPM 130 (clocks 19.33 ms apart, not a whole number of
// ticks) with the clock sent to the monitor: it sees Start, then 24 clocks per beat, then Stop,
// each clock on its due time plus a constant latency. A dummy-driver xrun (a late server on a
// loaded machine) may spoil the few messages around it, nothing more.
TEST(JackClockOut, TwentyFourClocksPerBeatArriveOnTheirDueTimes) {
    testing::JackHarness jack(/*realtime=*/true, 256);
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    testing::JackMonitor monitor("clock-monitor", 4096);
    ASSERT_EQ(monitor.failure(), "");
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-clock");
    const int device = DeviceNamed(driver, monitor.PortName());
    ASSERT_GE(device, 0);
    testing::DueTimeLog log(driver, 4096);
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, log, DocOptions{.startTimer = true});
    log.Watch(device);  // after start-up's All Notes Off
    for (int wait = 0; wait < 500 && !monitor.IsConnected(); ++wait)
        std::this_thread::sleep_for(10ms);
    {
        std::lock_guard lock(doc->mutex);
        doc->SetBpm(130);
        doc->SetSendsClock(device, true);
        doc->StartPlayback(kPatternMode);
    }
    std::this_thread::sleep_for(2s);
    {
        std::lock_guard lock(doc->mutex);
        doc->StopPlayback();
    }
    std::this_thread::sleep_for(200ms);
    doc->CloseMidiPorts();

    const auto sent = log.Sent();
    ASSERT_GE(sent.size(), 90u);
    EXPECT_EQ(sent.front().bytes[0], 0xFA);
    EXPECT_EQ(sent.back().bytes[0], 0xFC);
    const auto clocks =
        std::count_if(sent.begin(), sent.end(), [](const auto& m) { return m.bytes[0] == 0xF8; });
    // Whole lines of 116 ms were played, and the one cut short by Stop had its clocks up to then.
    const std::int64_t played = sent.back().timeNs - sent.front().timeNs;
    EXPECT_NEAR(static_cast<double>(clocks), played / (116e6 / 6), 1.0);

    const auto matched = testing::MatchSentToReceived(sent, monitor.Received());
    const int xruns = jack.Xruns();
    EXPECT_LE(matched.lost, 4u * static_cast<std::size_t>(xruns));
    ASSERT_GE(matched.latenessNs.size(), sent.size() / 2);
    auto sorted = matched.latenessNs;
    std::sort(sorted.begin(), sorted.end());
    const std::int64_t median = sorted[sorted.size() / 2];
    // One 256-frame period (5.33 ms) and the send margin, give or take a frame.
    EXPECT_NEAR(median / 1e6, 5.333 + JackMidiOut::kSendMarginUs / 1000.0, 0.1);
    std::size_t off = 0;
    for (std::int64_t lateness : matched.latenessNs)
        if (std::abs(lateness - median) > 250'000) ++off;
    EXPECT_LE(off, 4u * static_cast<std::size_t>(xruns)) << "xruns: " << xruns;
}

// Our own port is there for others to connect to; what is sent to it reaches them.
TEST(JackOwnPort, OtherProgramsConnectToItAndHearWhatItSends) {
    testing::JackHarness jack;
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    testing::JackMonitor monitor("own-port-listener", 64);
    ASSERT_EQ(monitor.failure(), "");
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-own");
    const int own = driver.DeviceCount() - 1;
    ASSERT_STREQ(driver.Describe(own).productName, "tarvel-own:out");
    ASSERT_TRUE(driver.Open(own));
    jack_client_t* other = jack_client_open("connector", JackNoStartServer, nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(jack_connect(other, "tarvel-own:out", monitor.PortName().c_str()), 0);
    for (int wait = 0; wait < 200 && !monitor.IsConnected(); ++wait)
        std::this_thread::sleep_for(10ms);
    const std::uint8_t noteOn[] = {0x90, 60, 100};
    driver.Send(own, noteOn, 3);
    for (int wait = 0; wait < 200 && monitor.Received().empty(); ++wait)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(monitor.Received().size(), 1u);
    EXPECT_EQ(monitor.Received()[0].bytes[0], 0x90);
    driver.Close(own);
    driver.Close(own);  // a second close does nothing
    EXPECT_TRUE(driver.Open(own)) << "the port can be made again";
    jack_client_close(other);
}

}  // namespace
}  // namespace tarvel

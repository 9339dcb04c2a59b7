#include <gtest/gtest.h>

#include <cstdio>
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

// The document opens the real back end on a private JACK server, where jack_midi_dump receives
// exactly the bytes sent, in order; the device's "Details..." box says what the back end knows
// after the fixed lines, which have nothing to say of a JACK port.
TEST(Jack, EveryKindOfMessageArrivesInOrderAndTheDevicesDescribeThemselves) {
    testing::JackHarness jack(/*realtime=*/true);
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-test");
    ASSERT_EQ(driver.DeviceCount(), 2) << "jack_midi_dump's input, then our own port";
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{.startTimer = false});
    EXPECT_TRUE(ui.Messages().empty());
    doc->ShowMidiOutInfo();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text,
              "Name: midi-monitor:input \nVersion: 0 \nManufacturer ID: 0 \nProduct ID: 0 \n"
              "Voices 0 \n\nDevice supports:\n"
              "\nPort: midi-monitor:input\nAPI: JACK\nClient: tarvel-test-01");
    // Our own port's client came first and holds the plain name, for others to find.
    EXPECT_STREQ(doc->ports.capabilities[1].details,
                 "Port: tarvel-test:out\nAPI: JACK\nClient: tarvel-test (our own port)");
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
    doc->CloseMidiPorts();
}

}  // namespace
}  // namespace tarvel

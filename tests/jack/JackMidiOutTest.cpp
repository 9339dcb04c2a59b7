#include <gtest/gtest.h>

#include <mutex>

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

// The document opens the real back end on a private JACK server; jack_midi_dump must receive
// exactly the bytes sent, in order. A JACK server that falls behind on a loaded machine may drop
// a late cycle's events: such a round is sent again, but a changed or reordered byte fails at
// once.
TEST(JackMidiOut, EveryKindOfMessageReachesTheServerInOrder) {
    testing::JackHarness jack;
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();

    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-test");
    ASSERT_EQ(driver.DeviceCount(), 1) << "only jack_midi_dump should be listening";
    EXPECT_STREQ(driver.Describe(0).productName, "midi-monitor:input");

    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{false});
    EXPECT_TRUE(ui.Messages().empty());
    ASSERT_TRUE(jack.WaitForMonitorConnection());

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
    doc.reset();
}

}  // namespace
}  // namespace tarvel

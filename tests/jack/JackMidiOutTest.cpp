#include <gtest/gtest.h>

#include <mutex>

#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The document opens the real RtMidi back end on a private JACK server; jack_midi_dump must
// receive exactly the bytes sent, in order.
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
    {
        std::lock_guard lock(doc->mutex);
        doc->NoteOn(0, 0, 60, 100);
        doc->SendControlChange(1, 7, 90);
        doc->SetChannelProgram(2, 5);
        doc->SendPitchWheel(3, 0, 0x40);
        doc->SendSystemMessage(0xF8, 0);
        doc->NoteOn(0, 0, 64, 80);  // releases 60 first
    }
    const std::vector<Bytes> expected = {{0x90, 60, 100}, {0xB1, 7, 90}, {0xC2, 5},
                                         {0xE3, 0, 0x40}, {0xF8},        {0x80, 60, 0x64},
                                         {0x90, 64, 80}};
    std::vector<Bytes> received;
    for (const auto& message : jack.WaitForMessages(expected.size()))
        received.push_back(message.bytes);
    EXPECT_EQ(received, expected);
    doc.reset();
}

}  // namespace
}  // namespace tarvel

// The "Details..." box of a JACK device says what the back end knows after the fixed lines,
// which have nothing to say of a JACK port.
#include <gtest/gtest.h>

#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

TEST(MidiOutDetails, JackDevicesNameTheirPortApiAndClient) {
    testing::JackHarness jack;
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();

    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-details");
    ASSERT_EQ(driver.DeviceCount(), 2) << "jack_midi_dump's input, then our own port";
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{false});
    doc->ShowMidiOutInfo();

    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text,
              "Name: midi-monitor:input \nVersion: 0 \nManufacturer ID: 0 \nProduct ID: 0 \n"
              "Voices 0 \n\nDevice supports:\n"
              "\nPort: midi-monitor:input\nAPI: JACK\nClient: tarvel-details-01");
    // Our own port's client came first and holds the plain name, for others to find.
    EXPECT_STREQ(doc->ports.capabilities[1].details,
                 "Port: tarvel-details:out\nAPI: JACK\nClient: tarvel-details (our own port)");
    doc.reset();
}

}  // namespace
}  // namespace tarvel

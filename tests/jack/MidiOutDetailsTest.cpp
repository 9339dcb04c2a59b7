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
    ASSERT_EQ(driver.DeviceCount(), 1) << "only jack_midi_dump should be listening";
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{false});
    doc->ShowMidiOutInfo();

    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text,
              "Name: midi-monitor:input \nVersion: 0 \nManufacturer ID: 0 \nProduct ID: 0 \n"
              "Voices 0 \n\nDevice supports:\n"
              "\nPort: midi-monitor:input\nAPI: JACK\nClient: tarvel-details");
    doc.reset();
}

}  // namespace
}  // namespace tarvel

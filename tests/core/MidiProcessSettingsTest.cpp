// The environment is set once, by main() before any thread starts; a driver, which may be made
// on another thread while the window system reads the environment, leaves it alone.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/RtMidiOutDriver.h"

namespace tarvel {
namespace {

TEST(MidiProcessSettings, OnlyMainSetsTheEnvironment) {
    unsetenv("JACK_NO_START_SERVER");
    { RtMidiOutDriver driver(RtMidiOutDriver::Api::Alsa); }
    EXPECT_EQ(std::getenv("JACK_NO_START_SERVER"), nullptr);
    PrepareProcessForMidi();
    EXPECT_STREQ(std::getenv("JACK_NO_START_SERVER"), "1");
}

}  // namespace
}  // namespace tarvel

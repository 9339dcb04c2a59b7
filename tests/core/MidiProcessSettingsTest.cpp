// The environment is set once, by main() before any thread starts; a driver, which may be made
// on another thread while the window system reads the environment, leaves it alone.
#include <gtest/gtest.h>

#include <cstdlib>

#ifndef _WIN32
#include "platform/RtMidiOutDriver.h"
#endif

namespace tarvel {
namespace {

TEST(MidiProcessSettings, OnlyMainSetsTheEnvironment) {
#ifdef _WIN32
    GTEST_SKIP() << "the setting is JACK's, and JACK and RtMidi's ALSA side are Linux-only";
#else
    unsetenv("JACK_NO_START_SERVER");
    { RtMidiOutDriver driver(RtMidiOutDriver::Api::Alsa); }
    EXPECT_EQ(std::getenv("JACK_NO_START_SERVER"), nullptr);
    PrepareProcessForMidi();
    EXPECT_STREQ(std::getenv("JACK_NO_START_SERVER"), "1");
#endif
}

}  // namespace
}  // namespace tarvel

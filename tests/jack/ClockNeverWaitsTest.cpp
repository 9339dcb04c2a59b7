// What can take long never reaches the clock or a JACK cycle: the built-in synth loading an
// instrument at every program change, on a private JACK server with a monitor client stamping
// what arrives by the server's frames. (The window holding the lock: MidiInputJackTest.)
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/RtMidiOutDriver.h"
#include "platform/SynthMidiOut.h"
#include "support/JackHarness.h"
#include "support/JackKeyboard.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The synth (its sound into the same server) is device 0, the monitor device 1. Every 60 ms line
// selects another program, which the synth loads from disk, and plays a note on the monitor: on
// the program's first play the notes still come exactly a line apart.
TEST(JackSynth, ProgramChangesOnEveryLineKeepTheOtherDevicesInTime) {
    testing::JackHarness jack(/*realtime=*/true, 256);
    if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
    testing::JackKeyboard monitor("midi-monitor", /*listen=*/true);
    ASSERT_TRUE(monitor.ok());
    ChainedMidiOut devices;
    auto synth = std::make_unique<SynthMidiOut>(
        SynthMidiOut::kDefaultSoundFont, SynthMidiOut::kGain, std::vector<std::string>{"jack"});
    if (synth->DeviceCount() == 0) GTEST_SKIP() << synth->Failure();
    devices.Add(std::move(synth));
    devices.Add(std::make_unique<RtMidiOutDriver>(RtMidiOutDriver::Api::Jack, "tarvel-test"));
    ASSERT_EQ(devices.DeviceCount(), 3) << "the synth, the monitor, our own port";
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, devices, DocOptions{.startTimer = true});
    ASSERT_TRUE(monitor.WaitForInputConnection());
    monitor.WaitForReceived(16, 2000);  // start-up's All Notes Off

    constexpr int kLines = 40;
    testing::Locked(*doc, [&] {
        doc->SetBpm(250);  // 60 ms lines: 2,880 frames
        doc->song.channelDevice[0] = 1;
        Pattern& pattern = doc->song.patterns[0];
        pattern.lineCount = kLines;
        for (int line = 0; line < kLines; ++line)
            pattern.cells[line][0] = {static_cast<std::uint8_t>(48 + line % 24), 100, 0xB0,
                                      static_cast<std::uint8_t>((line * 37 + 1) % 128)};
        doc->StartPlayback(kPatternMode);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(kLines * 60 - 30));
    testing::Locked(*doc, [&] { doc->StopPlayback(); });
    const auto got = monitor.WaitForReceived(SIZE_MAX, 300);
    doc->CloseMidiPorts();
    std::vector<std::int64_t> onsets;
    for (const testing::StampedMessage& m : got)
        if (m.length == 3 && m.bytes[0] == 0x90) onsets.push_back(m.frame);
    ASSERT_GE(onsets.size(), static_cast<std::size_t>(kLines - 1));
    int outside = 0;
    std::string shown;
    for (std::size_t i = 1; i < onsets.size(); ++i) {
        const std::int64_t interval = onsets[i] - onsets[i - 1];
        shown += std::to_string(interval) + " ";
        if (std::abs(interval - 2880) > 48) ++outside;  // 1 ms
    }
    EXPECT_LE(outside, 2 * jack.Xruns())
        << "intervals in frames: " << shown << "; xruns: " << jack.Xruns();
}

}  // namespace
}  // namespace tarvel

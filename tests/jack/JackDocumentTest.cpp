// The document on the real back end, on a private JACK server where a monitor client stamps
// what arrives with the server's frame time: every byte as sent, clocks and notes in time, and
// the built-in synth's instrument loads delaying nothing. The monitor also plays into our own
// input port like a keyboard: its notes come back through thru a period later, pads chosen as
// the launch input launch, and a window holding the document lock makes no JACK cycle wait.
// (Launches at their boundary and recorded into the grid: LiveLaunchTest; recording notes at the
// lines played: MidiInputTest.)
#include <gtest/gtest.h>

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "document/DocumentMidiInput.h"
#include "platform/JackMidiIn.h"
#include "platform/PeriodicTimer.h"
#include "platform/RtMidiOutDriver.h"
#include "platform/SynthMidiOut.h"
#include "support/DenseSong.h"
#include "support/JackHarness.h"
#include "support/JackKeyboard.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::StampedMessage;

// A monitor listening on a real-time server with kPeriod-frame periods (registered before the
// drivers list their outputs), and a document on `devices` past its start-up's All Notes Off.
class JackMonitor : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!jack.failure().empty()) GTEST_SKIP() << jack.failure();
        ASSERT_TRUE(monitor.ok());
    }
    void AddJackDriver(const char* client) {
        devices.Add(std::make_unique<RtMidiOutDriver>(RtMidiOutDriver::Api::Jack, client));
    }
    void Start() {
        doc = std::make_unique<CFennoralDoc>(ui, devices, DocOptions{.startTimer = true});
        ASSERT_NO_FATAL_FAILURE(ConnectInput());
        ASSERT_TRUE(monitor.WaitForInputConnection());
        monitor.WaitForReceived(16, 2000);  // start-up's All Notes Off, unless sent before
    }
    virtual void ConnectInput() {}
    // What the monitor has heard from index `from` on, once `count` more have come.
    std::vector<Bytes> HeardFrom(std::size_t from, std::size_t count) {
        std::vector<Bytes> heard;
        const auto got = monitor.WaitForReceived(from + count);
        for (std::size_t i = from; i < got.size(); ++i) heard.push_back(got[i].Data());
        return heard;
    }
    // Lets the document play `ms` longer, stops it and gives what came in up to `waitMs` after.
    std::vector<StampedMessage> StopAfter(int ms, int waitMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        testing::Locked(*doc, [&] { doc->StopPlayback(); });
        const auto got = monitor.WaitForReceived(SIZE_MAX, waitMs);
        doc->CloseMidiPorts();
        return got;
    }

    static constexpr int kPeriod = 256;
    testing::JackHarness jack{/*realtime=*/true, kPeriod};
    testing::JackKeyboard monitor{"midi-monitor", /*listen=*/true};
    ChainedMidiOut devices;
    testing::RecordingUi ui;
    std::unique_ptr<CFennoralDoc> doc;
};

// The device's "Details..." box says what the back end knows after the fixed lines, which have
// nothing to say of a JACK port. Exactly the bytes sent arrive, in order. Then two seconds of
// the song at BPM 130 with a note on every line: 116 ms lines, so a clock every 19.33 ms, which
// is not a whole number of 2 ms ticks but is exactly 928 frames at 48 kHz; line n starts with
// clock 6n. Start, then clocks 928 frames apart within 0.25 ms (the server's own estimate of its
// cycle times moves a frame or two), each line's note at the frame of its first clock, then Stop.
// A dummy-driver xrun (a late server on a loaded machine) may spoil the intervals next to it,
// nothing more, and lose what its period carried.
TEST_F(JackMonitor, EveryMessageArrivesAsSentAndClocksAndNotesKeepTime) {
    AddJackDriver("tarvel-test");
    ASSERT_EQ(devices.DeviceCount(), 2) << "the monitor's input, then our own port";
    ASSERT_NO_FATAL_FAILURE(Start());
    doc->ShowMidiOutInfo();
    ASSERT_EQ(ui.Messages().size(), 1u) << "the box, and nothing from the start";
    EXPECT_EQ(ui.Messages()[0].text,
              "Name: midi-monitor:in \nVersion: 0 \nManufacturer ID: 0 \nProduct ID: 0 \n"
              "Voices 0 \n\nDevice supports:\n"
              "\nPort: midi-monitor:in\nAPI: JACK\nClient: tarvel-test-01");
    // Our own port's client came first and holds the plain name, for others to find.
    EXPECT_STREQ(doc->ports.capabilities[1].details,
                 "Port: tarvel-test:out\nAPI: JACK\nClient: tarvel-test (our own port)");

    // A server that falls behind on a loaded machine may drop a late cycle's events: such a
    // round is sent again, but a changed byte fails at once (and a reordered one at the end).
    const std::vector<Bytes> expected = {{0x90, 60, 100}, {0xB1, 7, 90}, {0xC2, 5},
                                         {0xE3, 0, 0x40}, {0xF8},        {0x80, 60, 0x64}};
    std::vector<Bytes> received;
    for (int round = 0; round < 3 && received != expected; ++round) {
        const std::size_t before = monitor.Received().size();
        testing::Locked(*doc, [&] {
            doc->NoteOn(0, 0, 60, 100);
            doc->SendControlChange(1, 7, 90);
            doc->SetChannelProgram(2, 5);
            doc->SendPitchWheel(3, 0, 0x40);
            doc->SendSystemMessage(0xF8, 0);
            doc->NoteOff(0, 0);
        });
        received = HeardFrom(before, expected.size());
        for (const Bytes& message : received)
            ASSERT_NE(std::find(expected.begin(), expected.end(), message), expected.end())
                << "a message arrived changed";
    }
    EXPECT_EQ(received, expected);

    const std::size_t before = monitor.Received().size();
    testing::Locked(*doc, [&] {
        doc->SetBpm(130);
        doc->SetSendsClock(0, true);
        for (int line = 0; line < 16; ++line)
            doc->song.patterns[0].cells[line][0] = {60, 100, kNoCommand, 0};
        doc->song.sequence[0][0] = {0, 0, 0};
        doc->StartPlayback(kSongMode);
    });
    const auto got = StopAfter(2040, 500);  // into line 17
    const auto stop = std::find_if(got.begin() + static_cast<std::ptrdiff_t>(before), got.end(),
                                   [](const auto& m) { return m.Data() == Bytes{0xFC}; });
    ASSERT_NE(stop, got.end());
    const std::vector<StampedMessage> played(got.begin() + static_cast<std::ptrdiff_t>(before),
                                             stop);
    ASSERT_GE(played.size(), 120u);
    EXPECT_EQ(played.front().Data(), Bytes{0xFA});
    const int xruns = jack.Xruns();
    int outside = 0, notes = 0;
    std::int64_t clock = -1;  // the last clock's frame
    std::string shown;
    for (const StampedMessage& m : played) {
        if (m.Data() == Bytes{0xF8}) {
            const std::int64_t interval = m.frame - clock;
            if (clock >= 0) shown += std::to_string(interval) + " ";
            if (clock >= 0 && std::abs(interval - 928) > 12) ++outside;  // 0.25 ms
            clock = m.frame;
        } else if (m.length == 3 && m.bytes[0] == 0x90) {
            ++notes;
            if (m.frame != clock) ++outside;
        }
    }
    EXPECT_GE(notes, 15);
    EXPECT_LE(outside, 2 * xruns) << "intervals in frames: " << shown << "; xruns: " << xruns;
}

// The synth (its sound into the same server) is device 0, the monitor device 1. Every 60 ms line
// selects another program, which the synth loads from disk, and plays a note on the monitor: on
// the program's first play the notes still come exactly a line apart.
TEST_F(JackMonitor, ProgramChangesOnEveryLineKeepTheOtherDevicesInTime) {
    auto synth = std::make_unique<SynthMidiOut>(
        SynthMidiOut::kDefaultSoundFont, SynthMidiOut::kGain, std::vector<std::string>{"jack"});
    if (synth->DeviceCount() == 0) GTEST_SKIP() << synth->Failure();
    devices.Add(std::move(synth));
    AddJackDriver("tarvel-test");
    ASSERT_EQ(devices.DeviceCount(), 3) << "the synth, the monitor, our own port";
    ASSERT_NO_FATAL_FAILURE(Start());

    constexpr int kLines = 40;
    testing::Locked(*doc, [&] { testing::PlayTimingLines(*doc, kLines); });  // 2,880-frame lines
    const auto got = StopAfter(kLines * 60 - 30, 300);
    std::vector<std::int64_t> onsets;
    for (const StampedMessage& m : got)
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

// Our own port is there for programs to connect to, and what it sends reaches them; a time
// stamp far in the future (a fault) does not hold the port's queue back.
TEST_F(JackMonitor, ProgramsConnectToOurOwnPortAndGetWhatItSends) {
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-own");
    const int own = driver.DeviceCount() - 1;
    ASSERT_STREQ(driver.Describe(own).productName, "tarvel-own:out");
    driver.Close(own);  // not open: nothing happens
    std::string whyNot;
    ASSERT_TRUE(driver.Open(own, whyNot)) << whyNot;
    driver.Close(own);
    ASSERT_TRUE(driver.Open(own, whyNot)) << "the port can be made again: " << whyNot;
    jack_client_t* other = jack_client_open("connector", JackNoStartServer, nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(jack_connect(other, "tarvel-own:out", "midi-monitor:in"), 0);
    ASSERT_TRUE(monitor.WaitForInputConnection());
    const std::uint8_t noteOn[] = {0x90, 60, 100};
    // A connection JACK has just reported may miss a cycle or two: then the note is sent again.
    std::vector<StampedMessage> got;
    for (int round = 0; round < 3 && got.empty(); ++round) {
        driver.SetDueTime(PeriodicTimer::MonotonicNowNs() + 3'600'000'000'000);
        driver.Send(own, noteOn, 3);
        driver.SetDueTime(0);
        got = monitor.WaitForReceived(1, 1000);
    }
    ASSERT_GE(got.size(), 1u);
    EXPECT_EQ(got[0].Data(), (Bytes{0x90, 60, 100}));
    jack_client_close(other);
}

// The monitor plays into our own input port, connected before the document settles.
class JackInput : public JackMonitor {
  protected:
    void SetUp() override {
        JackMonitor::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        AddJackDriver("tarvel-test");
        ASSERT_NO_FATAL_FAILURE(Start());
    }
    void ConnectInput() override {
        sink.emplace(*doc);
        input = JackMidiIn::Connect("tarvel-in", *sink);
        ASSERT_TRUE(input);
        EXPECT_EQ(input->PortNames().at(0), kOwnInputPortName);  // none: an exception fails
        ASSERT_TRUE(input->Open(kOwnInputPortName));
        ASSERT_TRUE(monitor.ConnectTo(input->OwnPortName()));
    }

    std::optional<DocumentMidiInput> sink;
    std::unique_ptr<JackMidiIn> input;
};

// The window holds the lock for 50 ms while the keyboard plays: the JACK cycle does not wait for
// it (no xrun), and every note comes out through thru, in order.
TEST_F(JackInput, AWindowHoldingTheLockMakesNoCycleWait) {
    const std::size_t before = monitor.Received().size();
    std::vector<Bytes> played;
    const int xrunsBefore = jack.Xruns();
    {
        std::lock_guard lock(doc->mutex);
        for (std::uint8_t note = 60; note < 70; ++note) {
            monitor.Play(0x90, note, 100);
            monitor.Play(0x80, note, 0);
            played.push_back({0x90, note, 100});
            played.push_back({0x80, note, 0x64});
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    EXPECT_EQ(HeardFrom(before, played.size()), played);
    EXPECT_EQ(jack.Xruns(), xrunsBefore);
}

// Pads chosen as the launch input, and not as an input: in live mode their note 9 launches
// pattern 9 unheard, while the keyboard on our own port goes on playing through, on the current
// channel at the incoming velocity, exactly one period later.
TEST_F(JackInput, ThePadsLaunchWhileTheKeyboardPlaysThroughAPeriodLater) {
    testing::JackKeyboard pads("pads");
    ASSERT_TRUE(pads.ok());
    ASSERT_TRUE(input->SetLaunchInput("pads:out"));
    const auto launched = [&] {
        std::lock_guard lock(doc->mutex);
        const QueuedLaunch& queued = doc->player.live.tracks[4].pattern;
        return queued.kind != kNoLaunch && queued.pattern == 9;
    };
    testing::Locked(*doc, [&] {
        doc->inputRecording.launchInputChosen = 1;
        doc->editor.currentChannel = 4;
        doc->engine.SetLiveMode(true);
        doc->StartPlayback(kSongMode);
    });
    const std::size_t before = monitor.Received().size();
    // JACK connects in its own time: the pads play until their note arrives.
    for (int attempt = 0; attempt < 50 && !launched(); ++attempt) {
        pads.Play(0x90, 9, 100);
        pads.Play(0x80, 9, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(launched());
    monitor.Play(0x90, 60, 99);
    monitor.Play(0xB0, 7, 80);
    monitor.Play(0x80, 60, 0);
    const std::vector<Bytes> heard = HeardFrom(before, 3);
    testing::Locked(*doc, [&] { doc->StopPlayback(); });
    ASSERT_EQ(heard, (std::vector<Bytes>{{0x94, 60, 99}, {0xB4, 7, 80}, {0x84, 60, 0x64}}));
    // Each at its own frame. One that came while a tick held the lock goes later, so most, not
    // all, must be exact.
    const std::vector<StampedMessage> sent = monitor.Sent();
    const std::vector<StampedMessage> received = monitor.Received();
    int exact = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::int64_t latency = received[before + i].frame - sent[sent.size() - 3 + i].frame;
        EXPECT_GE(latency, kPeriod) << "message " << i;
        exact += latency == kPeriod;
    }
    EXPECT_GE(exact, 2) << "xruns: " << jack.Xruns();
}

}  // namespace
}  // namespace tarvel

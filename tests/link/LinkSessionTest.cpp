// Two Link peers on this machine: our session and a peer built on the same library. Link
// multicasts on every interface, so this runs only inside a network namespace of its own with
// only loopback up (TARVEL_PRIVATE_NETWORK, set by its CTest entry). The waits are generous
// bounds for a loaded machine, not goals: the propagation times are bench/link_phase's.
#include <gtest/gtest.h>

#include <ableton/Link.hpp>
#include <ableton/platforms/linux/Clock.hpp>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "platform/LinkSession.h"
#include "platform/PeriodicTimer.h"
#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Peer = ableton::BasicLink<ableton::platforms::linux::ClockMonotonic>;
using std::chrono::microseconds;

template <class Condition>
bool WaitFor(Condition condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

BeatPosition Now(LinkSession& ours) {
    BeatPosition position{};
    ours.Read(PeriodicTimer::MonotonicNowNs(), position);
    return position;
}

class LinkPeers : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("TARVEL_PRIVATE_NETWORK"))
            GTEST_SKIP() << "uses the network: run by its CTest entry in a namespace of its own";
        peer.enableStartStopSync(true);
        peer.enable(true);
        ASSERT_TRUE(WaitFor([&] { return ours.Peers() == 1 && peer.numPeers() == 1; }))
            << "the two peers never met on the loopback interface";
    }
    // The peer's session, as its own program would change it.
    template <class Change>
    void PeerChanges(Change change) {
        auto state = peer.captureAppSessionState();
        change(state, peer.clock().micros());
        peer.commitAppSessionState(state);
    }

    Peer peer{100};
    LinkSession ours{125, 4};
};

TEST_F(LinkPeers, APeersTempoAndStartStopSync) {
    PeerChanges([](auto& state, microseconds now) { state.setTempo(90, now); });
    EXPECT_TRUE(WaitFor([&] { return std::abs(Now(ours).bpm - 90) < 0.01; }));

    PeerChanges([](auto& state, microseconds now) { state.setIsPlaying(true, now); });
    EXPECT_TRUE(WaitFor([&] { return Now(ours).playing == 1; }));
    ours.ProposePlaying(false);
    EXPECT_TRUE(WaitFor([&] { return !peer.captureAppSessionState().isPlaying(); }));
}

TEST_F(LinkPeers, APeersStartPlaysTheSongFromTheNextBarOnThePeersBeats) {
    testing::TestDocument t;
    CFennoralDoc& doc = *t.doc;
    doc.SetTempoSource(TempoSource::kAbletonLink);
    doc.SetBeatClock(&ours);
    testing::Locked(doc, [&] { testing::WriteRowNamingSong(doc, 64); });
    t.Settle();
    PeerChanges([](auto& state, microseconds now) { state.setIsPlaying(true, now); });
    // The document's clock, run here: a tick every 2 ms for three bars at 100 BPM.
    const std::int64_t endNs = PeriodicTimer::MonotonicNowNs() + 7'500'000'000;
    for (std::int64_t now = PeriodicTimer::MonotonicNowNs(); now < endNs;
         now = PeriodicTimer::MonotonicNowNs()) {
        testing::Locked(doc, [&] { doc.PlayerTick(now); });
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::vector<std::int64_t> onsNs;
    for (const RecordedMessage& m : t.midi.Messages())
        if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0) onsNs.push_back(m.dueNs);
    ASSERT_GE(onsNs.size(), 16u);
    const auto state = peer.captureAppSessionState();
    // The first line on a bar of the peer's, every line on a line of its beats (a quarter beat).
    EXPECT_NEAR(std::fmod(state.phaseAtTime(microseconds(onsNs[0] / 1000), 4) + 0.5, 4.0), 0.5,
                0.01);
    for (const std::int64_t on : onsNs) {
        const double lines = state.beatAtTime(microseconds(on / 1000), 4) * 4;
        EXPECT_NEAR(lines, std::round(lines), 0.01);
    }
}

}  // namespace
}  // namespace tarvel

// Measures following an Ableton Link session: a peer built on the same library starts the
// session, and Tarvel, on its real 2 ms clock, plays a note on every line. Prints how far each
// line's due time lies from the peer's grid of lines (four a beat), as p50, p99 and the largest;
// and, with a tempo change every 5 s from alternating sides, how long each took to reach the
// other side (polled every 0.2 ms). With --jack the notes go to a monitor on a private JACK
// server, and each is timed where it arrived: the lines against the grid are then a constant
// latency (the period and the send margin) and the spread around it. Link multicasts on every
// interface, so this runs only in a network namespace of its own:
//
//   unshare -rn sh -c 'ip link set lo up && TARVEL_PRIVATE_NETWORK=1 build/bench/link_phase 60'
//
// and with the JACK monitor, `build/bench/link_phase 60 --jack` in its place.
#include <ableton/Link.hpp>
#include <ableton/platforms/linux/Clock.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <cstring>
#include <memory>
#include <optional>

#include "JackMonitor.h"
#include "platform/LinkSession.h"
#include "platform/PeriodicTimer.h"
#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/RecordingUi.h"

namespace {

using namespace tarvel;
using Peer = ableton::BasicLink<ableton::platforms::linux::ClockMonotonic>;
using std::chrono::microseconds;

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

template <class Reached>
double MsUntil(Reached reached) {
    const std::int64_t startNs = PeriodicTimer::MonotonicNowNs();
    while (!reached()) {
        if (PeriodicTimer::MonotonicNowNs() - startNs > 5'000'000'000) return -1;
        std::this_thread::sleep_for(microseconds(200));
    }
    return static_cast<double>(PeriodicTimer::MonotonicNowNs() - startNs) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("TARVEL_PRIVATE_NETWORK")) {
        std::fprintf(stderr,
                     "Uses the network: run it in a namespace of its own, as its opening "
                     "comment shows.\n");
        return 2;
    }
    const bool jack = argc > 2 && std::strcmp(argv[2], "--jack") == 0;
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 60;
    Peer peer(120);
    peer.enableStartStopSync(true);
    peer.enable(true);
    LinkSession ours(120, 4);
    if (MsUntil([&] { return ours.Peers() == 1 && peer.numPeers() == 1; }) < 0) {
        std::fprintf(stderr, "The two peers never met on the loopback interface.\n");
        return 1;
    }

    // The notes go to the recording port, stamped with their due times, or to a JACK monitor.
    std::optional<testing::JackHarness> server;
    std::optional<bench::JackMonitor> monitor;
    std::optional<RtMidiOutDriver> jackOut;
    if (jack) {
        server.emplace(/*realtime=*/true, 128);
        if (!server->failure().empty()) {
            std::fprintf(stderr, "%s\n", server->failure().c_str());
            return 1;
        }
        monitor.emplace("link-monitor", static_cast<std::size_t>(seconds) * 40 + 1000);
        if (!monitor->failure().empty()) {
            std::fprintf(stderr, "%s\n", monitor->failure().c_str());
            return 1;
        }
        jackOut.emplace(RtMidiOutDriver::Api::Jack, "tarvel-link");
    }
    testing::TestDocument t(1, DocOptions{.startTimer = true});
    testing::RecordingUi ui;
    const std::unique_ptr<CFennoralDoc> jackDoc =
        jack ? std::make_unique<CFennoralDoc>(ui, *jackOut, DocOptions{.startTimer = true})
             : nullptr;
    CFennoralDoc& doc = jack ? *jackDoc : *t.doc;
    if (jack) {
        for (int wait = 0; wait < 500 && !monitor->IsConnected(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // start-up's All Notes Off
    }
    {
        std::lock_guard lock(doc.mutex);
        doc.song.patterns[0].lineCount = 1;
        doc.song.patterns[0].cells[0][0] = {60, 0x50, 0x80, 0};
        for (int row = 0; row < kSequenceRows; ++row) doc.song.sequence[row][0] = {0, 0, 0};
        for (int device = 0; jack && device < jackOut->DeviceCount(); ++device)
            if (jackOut->Describe(device).productName == monitor->PortName())
                doc.song.channelDevice[0] = static_cast<std::uint8_t>(device);
    }
    // The note-ons since the last call: their due times, or their arrivals at the monitor.
    std::size_t arrivalsTaken = 0;
    const auto takeNoteOns = [&] {
        std::vector<std::int64_t> times;
        if (jack) {
            const std::vector<bench::TimedMessage> arrived = monitor->Received();
            for (; arrivalsTaken < arrived.size(); ++arrivalsTaken) {
                const bench::TimedMessage& m = arrived[arrivalsTaken];
                if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0) times.push_back(m.timeNs);
            }
            return times;
        }
        for (const RecordedMessage& m : t.midi.Messages())
            if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0) times.push_back(m.dueNs);
        t.midi.Clear();
        return times;
    };
    doc.SetTempoSource(TempoSource::kAbletonLink);
    doc.SetBeatClock(&ours);
    auto state = peer.captureAppSessionState();
    state.setIsPlayingAndRequestBeatAtTime(true, peer.clock().micros(), 0, 4);
    peer.commitAppSessionState(state);

    std::vector<double> oursToPeer, peerToOurs, offMs;
    // Each line against the peer's grid as it stands since the last tempo change (a timeline
    // holds from its change on only), the first beat after a change left out.
    std::int64_t changedNs = PeriodicTimer::MonotonicNowNs();
    const auto measureLines = [&] {
        const auto grid = peer.captureAppSessionState();
        const std::int64_t fromNs = changedNs + static_cast<std::int64_t>(60e9 / grid.tempo());
        for (const std::int64_t ns : takeNoteOns()) {
            if (ns < fromNs) continue;
            const double lines = grid.beatAtTime(microseconds(ns / 1000), 4) * 4;
            offMs.push_back((lines - std::round(lines)) * 15000.0 / grid.tempo());
        }
    };
    const double tempos[] = {120, 133, 97, 150, 110, 128};
    for (int step = 1; step * 5 < seconds; ++step) {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        measureLines();
        changedNs = PeriodicTimer::MonotonicNowNs();
        const double bpm = tempos[step % std::size(tempos)];
        if (step % 2) {
            ours.ProposeTempo(bpm);
            oursToPeer.push_back(MsUntil(
                [&] { return std::abs(peer.captureAppSessionState().tempo() - bpm) < 0.01; }));
        } else {
            auto next = peer.captureAppSessionState();
            next.setTempo(bpm, peer.clock().micros());
            peer.commitAppSessionState(next);
            peerToOurs.push_back(MsUntil([&] {
                BeatPosition at{};
                ours.Read(PeriodicTimer::MonotonicNowNs(), at);
                return std::abs(at.bpm - bpm) < 0.01;
            }));
        }
    }
    std::this_thread::sleep_for(std::chrono::seconds(5));
    measureLines();
    doc.SetBeatClock(nullptr);
    if (jack) {
        // Arrivals lie a constant latency after their beats; what varies around it is the error.
        const double latency = Percentile(offMs, 0.5);
        std::vector<double> spread;
        for (const double off : offMs) spread.push_back(std::abs(off - latency));
        std::printf(
            "lines at the JACK monitor against the peer's grid (%zu lines over %d s, %d xruns): "
            "latency %.3f ms; around it p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
            offMs.size(), seconds, server->Xruns(), latency, Percentile(spread, 0.5),
            Percentile(spread, 0.99), Percentile(spread, 1.0));
    } else {
        for (double& off : offMs) off = std::abs(off);
        std::printf(
            "lines against the peer's grid (%zu lines over %d s): p50 %.3f ms, p99 %.3f ms, "
            "max %.3f ms\n",
            offMs.size(), seconds, Percentile(offMs, 0.5), Percentile(offMs, 0.99),
            Percentile(offMs, 1.0));
    }
    std::printf(
        "a tempo change, ours to the peer: max %.1f ms of %zu; the peer's to ours: max "
        "%.1f ms of %zu\n",
        Percentile(oursToPeer, 1.0), oursToPeer.size(), Percentile(peerToOurs, 1.0),
        peerToOurs.size());
    return 0;
}

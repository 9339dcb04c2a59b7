#include "platform/LinkSession.h"

#include <ableton/Link.hpp>
#include <ableton/platforms/linux/Clock.hpp>
#include <chrono>

#include "platform/PeriodicTimer.h"

namespace tarvel {
namespace {

using std::chrono::microseconds;

microseconds Micros(std::int64_t ns) {
    return microseconds(ns / 1000);
}

}  // namespace

struct LinkSession::Link : ableton::BasicLink<ableton::platforms::linux::ClockMonotonic> {
    using BasicLink::BasicLink;
};

LinkSession::LinkSession(double bpm, double quantumBeats)
    : link_(std::make_unique<Link>(bpm)), quantum_(quantumBeats) {
    // Link's own thread; only the count crosses over.
    link_->setNumPeersCallback(
        [this](std::size_t peers) { peers_.store(static_cast<int>(peers)); });
    link_->enableStartStopSync(true);
    link_->enable(true);
}

// Link's threads stop before the count they write goes.
LinkSession::~LinkSession() {
    link_.reset();
}

bool LinkSession::Read(std::int64_t nowNs, BeatPosition& position) noexcept {
    // The audio thread's capture: lock-free, and the one Link asks of a real-time thread.
    const auto state = link_->captureAudioSessionState();
    const double quantum = quantum_.load(std::memory_order_relaxed);
    const microseconds at = Micros(nowNs);
    position = {};
    position.atNs = at.count() * 1000;
    position.bpm = state.tempo();
    position.beat = state.beatAtTime(at, quantum);
    position.quantum = quantum;
    position.playingSinceNs = state.timeForIsPlaying().count() * 1000;
    position.peers = peers_.load(std::memory_order_relaxed);
    position.playing = state.isPlaying() ? 1 : 0;
    return position.bpm > 0;
}

void LinkSession::ProposeTempo(double bpm) {
    auto state = link_->captureAppSessionState();
    state.setTempo(bpm, Micros(PeriodicTimer::MonotonicNowNs()));
    link_->commitAppSessionState(state);
}

void LinkSession::ProposePlaying(bool playing) {
    auto state = link_->captureAppSessionState();
    state.setIsPlaying(playing, Micros(PeriodicTimer::MonotonicNowNs()));
    link_->commitAppSessionState(state);
}

}  // namespace tarvel

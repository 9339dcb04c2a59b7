#include "platform/JackTransport.h"

#include <jack/jack.h>
#include <jack/transport.h>

#include <algorithm>
#include <cstring>

#include "platform/JackMidiOut.h"

namespace tarvel {

std::unique_ptr<JackTransport> JackTransport::Connect(const std::string& clientName,
                                                      std::string& whyNot) {
    jack_status_t status;
    jack_client_t* client =
        jack_client_open((clientName + "-transport").c_str(), JackNoStartServer, &status);
    if (!client) {
        whyNot = "no JACK server runs";
        return nullptr;
    }
    std::unique_ptr<JackTransport> transport(new JackTransport(client));
    jack_set_process_callback(client, &JackTransport::Process, transport.get());
    jack_on_shutdown(client, &JackTransport::ServerGone, transport.get());
    // Conditional: a timebase master already there stays it. Without one, ours publishes BBT.
    jack_set_timebase_callback(
        client, /*conditional=*/1,
        [](jack_transport_state_t state, jack_nframes_t frames, jack_position_t* position,
           int newPosition, void* self) { Timebase(state, frames, position, newPosition, self); },
        transport.get());
    if (jack_activate(client) != 0) {
        whyNot = "the JACK client could not be activated";
        return nullptr;  // the destructor closes the client
    }
    return transport;
}

JackTransport::~JackTransport() {
    if (!serverGone_) jack_client_close(client_);
}

int JackTransport::Process(std::uint32_t, void* self) {
    auto* t = static_cast<JackTransport*>(self);
    jack_position_t jack;
    const jack_transport_state_t state = jack_transport_query(t->client_, &jack);
    TransportPosition p{};
    p.frame = jack.frame;
    // The cycle's start on JACK's clock, in CLOCK_MONOTONIC's terms. The filtered start, as the
    // MIDI output places its due times: `usecs` is the raw wake-up, which a late wake puts up to
    // milliseconds after it, and a row located then would sound that much late.
    jack_nframes_t cycleFrames = 0;
    jack_time_t cycleUs = 0, nextUs = 0;
    float periodUs = 0;
    if (jack_get_cycle_times(t->client_, &cycleFrames, &cycleUs, &nextUs, &periodUs) != 0)
        cycleUs = jack.usecs;
    p.cycleNs = (static_cast<std::int64_t>(cycleUs) - JackMidiOut::JackMinusMonotonicUs()) * 1000;
    p.frameRate = static_cast<std::int32_t>(jack.frame_rate);
    p.rolling = state == JackTransportRolling ? 1 : 0;
    if ((jack.valid & JackPositionBBT) && jack.beats_per_minute > 0 && jack.ticks_per_beat > 0) {
        p.bpm = jack.beats_per_minute;
        p.beats = (jack.bar - 1) * static_cast<double>(jack.beats_per_bar) + (jack.beat - 1) +
                  jack.tick / jack.ticks_per_beat;
    }
    t->Publish(p);
    return 0;
}

void JackTransport::Timebase(int, std::uint32_t, void* where, int, void* self) {
    auto* t = static_cast<JackTransport*>(self);
    auto* position = static_cast<jack_position_t*>(where);
    const double bpm = t->bpm_.load(std::memory_order_relaxed);
    if (bpm <= 0 || position->frame_rate == 0) return;
    constexpr int kBeatsPerBar = 4;
    constexpr double kTicksPerBeat = 1920;
    const double beats = static_cast<double>(position->frame) / position->frame_rate * bpm / 60;
    const auto wholeBeats = static_cast<std::int64_t>(beats);
    position->valid = JackPositionBBT;
    position->bar = static_cast<std::int32_t>(wholeBeats / kBeatsPerBar + 1);
    position->beat = static_cast<std::int32_t>(wholeBeats % kBeatsPerBar + 1);
    position->tick =
        static_cast<std::int32_t>((beats - static_cast<double>(wholeBeats)) * kTicksPerBeat);
    position->bar_start_tick =
        static_cast<double>(position->bar - 1) * kBeatsPerBar * kTicksPerBeat;
    position->beats_per_bar = kBeatsPerBar;
    position->beat_type = 4;
    position->ticks_per_beat = kTicksPerBeat;
    position->beats_per_minute = bpm;
}

void JackTransport::StartAt(std::int64_t frame) {
    if (serverGone_) return;
    jack_transport_locate(client_, static_cast<jack_nframes_t>(std::max<std::int64_t>(frame, 0)));
    jack_transport_start(client_);
}

void JackTransport::Stop() {
    if (!serverGone_) jack_transport_stop(client_);
}

void JackTransport::ServerGone(void* self) {
    auto* t = static_cast<JackTransport*>(self);
    t->serverGone_ = true;
    TransportPosition p{};
    p.serverGone = 1;
    t->Publish(p);
}

// Every access sequentially consistent (no fences, which the thread sanitizer cannot follow):
// a reader that saw any word of a later write sees the count moved on after it.
void JackTransport::Publish(const TransportPosition& position) noexcept {
    std::uint64_t words[sizeof(TransportPosition) / 8];
    std::memcpy(words, &position, sizeof words);
    const std::uint32_t s = sequence_.load();
    sequence_.store(s + 1);
    for (std::size_t i = 0; i < std::size(words); ++i) words_[i].store(words[i]);
    sequence_.store(s + 2);
}

bool JackTransport::Read(TransportPosition& position) const noexcept {
    std::uint64_t words[sizeof(TransportPosition) / 8];
    // A few tries, never a wait: a writer preempted half-way must not hold up the clock.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::uint32_t before = sequence_.load();
        if (before == 0) return false;
        if (before & 1) continue;
        for (std::size_t i = 0; i < std::size(words); ++i) words[i] = words_[i].load();
        if (sequence_.load() != before) continue;
        std::memcpy(&position, words, sizeof words);
        return true;
    }
    return false;
}

}  // namespace tarvel

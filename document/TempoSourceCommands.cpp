// Where the player's tempo comes from: the window picks the source; the followed clock's
// messages, queued by the input's thread, reach the player before each tick.
#include <cmath>
#include <mutex>

#include "document/FennoralDoc.h"
#include "song/Tempo.h"

namespace tarvel {

void CFennoralDoc::SetTempoSource(TempoSource source) {
    {
        std::lock_guard lock(mutex);
        engine.SetTempoSource(source);
        // Messages of the source before this one are stale now.
        clockInput_.Drain([](const MidiInMessage&) {});
    }
    ShowTempoSource(source, 0);
}

void CFennoralDoc::ShowTempoSource(TempoSource source, int peers) {
    std::string label = TempoSourceName(source);
    if (source == TempoSource::kAbletonLink)
        label += ": " + std::to_string(peers) + (peers == 1 ? " peer" : " peers");
    // A Link session's tempo is everybody's: typing one proposes it to the session.
    ui_.ShowTempoSource(label, source != TempoSource::kInternal,
                        source == TempoSource::kAbletonLink);
}

void CFennoralDoc::SetTransportClock(TransportClock* transport) {
    std::lock_guard lock(mutex);
    transport_ = transport;
}

void CFennoralDoc::TakeTransport(std::int64_t nowNs) noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    if (!transport_ || nowNs == 0) return;
    // As timebase master we publish the song's tempo, exactly as its lines play.
    transport_->OfferTempo(static_cast<double>(kLineMsAtOneBpm) / EffectiveLineDuration());
    TransportPosition position;
    // False while a cycle was writing: the next tick reads it.
    if (transport_->Read(position)) engine.ReceiveTransport(position, nowNs);
}

void CFennoralDoc::SetBeatClock(BeatClock* beats) {
    std::lock_guard lock(mutex);
    beats_ = beats;
}

void CFennoralDoc::TakeBeats(std::int64_t nowNs) noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    BeatPosition position;
    if (beats_ && nowNs != 0 && beats_->Read(nowNs, position))
        engine.ReceiveBeats(position, editor.seqCursorRow, nowNs);
}

BeatClock* CFennoralDoc::LedBeats() const {
    TARVEL_ASSERT_LOCKED(*this);
    return engine.tempoSource() == TempoSource::kAbletonLink ? beats_ : nullptr;
}

bool CFennoralDoc::SetSharedTempo(double bpm) {
    BeatClock* beats;
    {
        std::lock_guard lock(mutex);
        beats = LedBeats();
    }
    if (!beats) return false;
    beats->ProposeTempo(bpm);  // Link's own lock, never the document's
    return true;
}

TransportClock* CFennoralDoc::LedTransport() const {
    TARVEL_ASSERT_LOCKED(*this);
    return engine.tempoSource() == TempoSource::kJackTransport ? transport_ : nullptr;
}

bool CFennoralDoc::StartSharedTransport() {
    TransportClock* transport;
    BeatClock* beats;
    std::int64_t frame = 0;
    {
        std::lock_guard lock(mutex);
        transport = LedTransport();
        beats = LedBeats();
        TransportPosition now{};
        if (transport) {
            const bool read = transport->Read(now);
            const int rate = read && now.frameRate > 0 ? now.frameRate : 48000;
            // Another timebase master's tempo turns its frames into our rows; else the song's.
            const double lineNs =
                read && now.bpm > 0 ? LineNsOfBpm(now.bpm) : EffectiveLineDuration() * 1e6;
            frame = std::llround(editor.seqCursorRow * lineNs * rate / 1e9);
        }
    }
    // The server's and Link's calls may wait: outside the lock. Each stays set until the window
    // thread, this one, replaces it. A Link session's player starts at its next bar, from the
    // cursor's row.
    if (transport) transport->StartAt(frame);
    if (beats) beats->ProposePlaying(true);
    return transport || beats;
}

bool CFennoralDoc::StopSharedTransport() {
    TransportClock* transport;
    BeatClock* beats;
    {
        std::lock_guard lock(mutex);
        transport = LedTransport();
        beats = LedBeats();
    }
    if (beats) beats->ProposePlaying(false);
    if (transport) transport->Stop();
    return transport || beats;
}

void CFennoralDoc::TakeClockInput() noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    clockInput_.Drain([this](const MidiInMessage& message) {
        engine.ReceiveClock(message.status, message.data1, message.data2, message.dueNs);
    });
}

}  // namespace tarvel

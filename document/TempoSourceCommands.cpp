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
    ui_.ShowTempoSource(TempoSourceName(source), source != TempoSource::kInternal);
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

TransportClock* CFennoralDoc::LedTransport() const {
    TARVEL_ASSERT_LOCKED(*this);
    return engine.tempoSource() == TempoSource::kJackTransport ? transport_ : nullptr;
}

bool CFennoralDoc::StartSharedTransport() {
    TransportClock* transport;
    std::int64_t frame;
    {
        std::lock_guard lock(mutex);
        transport = LedTransport();
        if (!transport) return false;
        TransportPosition now{};
        const bool read = transport->Read(now);
        const int rate = read && now.frameRate > 0 ? now.frameRate : 48000;
        // Another timebase master's tempo turns its frames into our rows; else the song's does.
        const double lineNs =
            read && now.bpm > 0 ? LineNsOfBpm(now.bpm) : EffectiveLineDuration() * 1e6;
        frame = std::llround(editor.seqCursorRow * lineNs * rate / 1e9);
    }
    // The server's calls may wait: outside the lock. The transport stays set until the window
    // thread, this one, replaces it.
    transport->StartAt(frame);
    return true;
}

bool CFennoralDoc::StopSharedTransport() {
    TransportClock* transport;
    {
        std::lock_guard lock(mutex);
        transport = LedTransport();
        if (!transport) return false;
    }
    transport->Stop();
    return true;
}

void CFennoralDoc::TakeClockInput() noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    clockInput_.Drain([this](const MidiInMessage& message) {
        engine.ReceiveClock(message.status, message.data1, message.data2, message.dueNs);
    });
}

}  // namespace tarvel

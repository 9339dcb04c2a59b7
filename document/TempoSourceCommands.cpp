// Where the player's tempo comes from: the window picks the source; the followed clock's
// messages, queued by the input's thread, reach the player before each tick.
#include <mutex>

#include "document/FennoralDoc.h"

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

void CFennoralDoc::SetTransportClock(const TransportClock* transport) {
    std::lock_guard lock(mutex);
    transport_ = transport;
}

void CFennoralDoc::TakeTransport(std::int64_t nowNs) noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    TransportPosition position;
    // A cycle writing just then: the next tick reads it.
    if (transport_ && nowNs != 0 && transport_->Read(position))
        engine.ReceiveTransport(position, nowNs);
}

void CFennoralDoc::TakeClockInput() noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    clockInput_.Drain([this](const MidiInMessage& message) {
        engine.ReceiveClock(message.status, message.data1, message.data2, message.dueNs);
    });
}

}  // namespace tarvel

#include "support/JackClockRig.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "support/DenseSong.h"

namespace tarvel::testing {

void ClockScript::Add(std::int64_t atNs, std::uint8_t status, std::uint8_t d1, std::uint8_t d2) {
    const auto length = static_cast<std::uint8_t>(status == 0xF2 ? 3 : 1);
    messages.push_back({atNs, length, {status, d1, d2}});
}

std::int64_t ClockScript::Clocks(std::int64_t fromNs, int count, double firstPeriodNs,
                                 double lastPeriodNs, std::int64_t jitterNs) {
    double at = static_cast<double>(fromNs);
    for (int i = 0; i < count; ++i) {
        const auto nominal = static_cast<std::int64_t>(at);
        seed = seed * 1664525u + 1013904223u;
        const std::int64_t jitter =
            jitterNs ? static_cast<std::int64_t>((seed >> 8) % (2 * jitterNs + 1)) - jitterNs : 0;
        nominalClockNs.push_back(nominal);
        Add(nominal + jitter, 0xF8);
        at += firstPeriodNs + (lastPeriodNs - firstPeriodNs) * i / std::max(1, count - 1);
    }
    return static_cast<std::int64_t>(at);
}

JackClockRig::JackClockRig(int periodFrames, bool transport)
    : jack_(/*realtime=*/true, periodFrames) {
    if (!jack_.failure().empty()) {
        failure_ = jack_.failure();
        return;
    }
    master_.emplace("master");
    monitor_.emplace("monitor", /*listen=*/true);  // before the driver lists its outputs
    if (!master_->ok() || !monitor_->ok()) {
        failure_ = "the master or monitor client did not start";
        return;
    }
    driver_.emplace(RtMidiOutDriver::Api::Jack, "tarvel-follow");
    doc_ = std::make_unique<CFennoralDoc>(ui_, *driver_, DocOptions{.startTimer = true});
    sink_.emplace(*doc_);
    if (transport) {
        transport_ = JackTransport::Connect("tarvel-follow", failure_);
        if (!transport_) return;
        doc_->SetTransportClock(transport_.get());
        doc_->SetTempoSource(TempoSource::kJackTransport);
    } else {
        input_ = JackMidiIn::Connect("tarvel-follow-in", *sink_);
        if (!input_ || !input_->SetClockSource("master:out")) {
            failure_ = "Tarvel's input did not connect to the master";
            return;
        }
        doc_->SetTempoSource(TempoSource::kMidiClock);
    }
    std::lock_guard lock(doc_->mutex);
    WriteRowNamingSong(*doc_, 128);
}

std::int64_t JackClockRig::Play(const ClockScript& script, int settleMs) {
    const std::int64_t zero = master_->FrameNow() + FrameOfNs(200'000'000);
    std::vector<StampedMessage> messages = script.messages;
    for (StampedMessage& m : messages) m.frame = zero + FrameOfNs(m.frame);
    master_->PlayAtFrames(std::move(messages));
    while (!master_->PlayedAll()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    return zero;
}

std::vector<StampedMessage> JackClockRig::Notes(bool on) {
    std::vector<StampedMessage> notes;
    for (const StampedMessage& m : monitor_->Received())
        if (m.bytes[0] == (on ? 0x90 : 0x80)) notes.push_back(m);
    return notes;
}

}  // namespace tarvel::testing

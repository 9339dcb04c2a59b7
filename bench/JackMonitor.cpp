#include "JackMonitor.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <cstring>

#include "platform/PeriodicTimer.h"

namespace tarvel::bench {

JackMonitor::JackMonitor(const std::string& clientName, std::size_t capacity) {
    received_.resize(capacity);
    client_ = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (!client_) {
        failure_ = "no JACK server to monitor";
        return;
    }
    port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!port_ || jack_set_process_callback(client_, &JackMonitor::Process, this) != 0 ||
        jack_activate(client_) != 0)
        failure_ = "the monitor's port did not start";
}

JackMonitor::~JackMonitor() {
    if (client_) jack_client_close(client_);
}

std::string JackMonitor::PortName() const {
    return port_ ? jack_port_name(port_) : "";
}

bool JackMonitor::IsConnected() const {
    return port_ && jack_port_connected(port_) > 0;
}

std::vector<TimedMessage> JackMonitor::Received() const {
    const std::size_t count = count_.load(std::memory_order_acquire);
    return {received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(count)};
}

int JackMonitor::Process(std::uint32_t frames, void* arg) {
    auto& self = *static_cast<JackMonitor*>(arg);
    void* buffer = jack_port_get_buffer(self.port_, frames);
    jack_nframes_t cycleStart = 0;
    jack_time_t cycleUs = 0;
    jack_time_t nextUs = 0;
    float periodUs = 0;
    if (jack_get_cycle_times(self.client_, &cycleStart, &cycleUs, &nextUs, &periodUs) != 0)
        return 0;
    const std::int64_t oursMinusJackNs =
        PeriodicTimer::MonotonicNowNs() - static_cast<std::int64_t>(jack_get_time()) * 1000;
    const std::uint32_t events = jack_midi_get_event_count(buffer);
    std::size_t count = self.count_.load(std::memory_order_relaxed);
    for (std::uint32_t i = 0; i < events && count < self.received_.size(); ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size < 1 || event.size > 3)
            continue;
        // The event's frame as a time on JACK's clock, interpolated within the cycle.
        const double atUs =
            static_cast<double>(cycleUs) +
            static_cast<double>(event.time) * static_cast<double>(nextUs - cycleUs) / frames;
        TimedMessage& message = self.received_[count++];
        message.timeNs = static_cast<std::int64_t>(atUs * 1000.0) + oursMinusJackNs;
        message.length = static_cast<int>(event.size);
        std::memcpy(message.bytes, event.buffer, event.size);
    }
    self.count_.store(count, std::memory_order_release);
    return 0;
}

DueTimeLog::DueTimeLog(MidiOutDriver& inner, std::size_t capacity) : inner_(inner) {
    sent_.reserve(capacity);
}

void DueTimeLog::Watch(int device) {
    std::lock_guard lock(mutex_);
    watched_ = device;
}

std::vector<TimedMessage> DueTimeLog::Sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

void DueTimeLog::SetDueTime(std::int64_t dueNs) noexcept {
    {
        std::lock_guard lock(mutex_);
        dueNs_ = dueNs;
    }
    inner_.SetDueTime(dueNs);
}

void DueTimeLog::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    {
        std::lock_guard lock(mutex_);
        if (device == watched_ && length >= 1 && length <= 3 && sent_.size() < sent_.capacity()) {
            const std::int64_t now = PeriodicTimer::MonotonicNowNs();
            TimedMessage message{dueNs_ != 0 ? dueNs_ : now, {}, length, now};
            std::memcpy(message.bytes, bytes, static_cast<std::size_t>(length));
            sent_.push_back(message);
        }
    }
    inner_.Send(device, bytes, length);
}

MatchedTiming MatchSentToReceived(const std::vector<TimedMessage>& sent,
                                  const std::vector<TimedMessage>& received) {
    MatchedTiming matched;
    const auto same = [](const TimedMessage& a, const TimedMessage& b) {
        return a.length == b.length && std::memcmp(a.bytes, b.bytes, std::size_t(a.length)) == 0;
    };
    std::size_t next = 0;
    for (const TimedMessage& arrival : received) {
        std::size_t at = next;
        while (at < sent.size() && !same(sent[at], arrival)) ++at;
        if (at == sent.size()) continue;  // not ours
        matched.lost += at - next;
        matched.latenessNs.push_back(arrival.timeNs - sent[at].timeNs);
        matched.arrivals.push_back(arrival);
        matched.dues.push_back(sent[at]);
        next = at + 1;
    }
    return matched;
}

}  // namespace tarvel::bench

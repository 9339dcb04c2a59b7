#include "support/JackKeyboard.h"

#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace tarvel::testing {
namespace {

void Drain(jack_ringbuffer_t* ring, std::vector<StampedMessage>& into) {
    StampedMessage message;
    while (jack_ringbuffer_read_space(ring) >= sizeof message) {
        jack_ringbuffer_read(ring, reinterpret_cast<char*>(&message), sizeof message);
        into.push_back(message);
    }
}

}  // namespace

JackKeyboard::JackKeyboard(const std::string& name, bool listen) {
    client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
    if (!client_) return;
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (listen) in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    toPlay_ = jack_ringbuffer_create(1 << 14);
    sent_ = jack_ringbuffer_create(1 << 16);
    received_ = jack_ringbuffer_create(1 << 20);  // room for a whole run of a busy song
    jack_set_process_callback(client_, &JackKeyboard::Process, this);
    if (!out_ || (listen && !in_) || jack_activate(client_) != 0) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

JackKeyboard::~JackKeyboard() {
    if (client_) jack_client_close(client_);
    for (jack_ringbuffer_t* ring : {toPlay_, sent_, received_})
        if (ring) jack_ringbuffer_free(ring);
}

bool JackKeyboard::ConnectTo(const std::string& port) {
    return client_ && jack_connect(client_, jack_port_name(out_), port.c_str()) == 0;
}

void JackKeyboard::Play(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    const StampedMessage message{
        0, static_cast<std::uint8_t>((status & 0xE0) == 0xC0 ? 2 : 3), {status, data1, data2}};
    jack_ringbuffer_write(toPlay_, reinterpret_cast<const char*>(&message), sizeof message);
}

void JackKeyboard::PlayAtFrames(std::vector<StampedMessage> messages) {
    scheduled_ = std::move(messages);
    scheduledReady_.store(true, std::memory_order_release);
}

int JackKeyboard::Process(std::uint32_t frames, void* self) {
    auto* k = static_cast<JackKeyboard*>(self);
    const std::int64_t start = jack_last_frame_time(k->client_);
    void* out = jack_port_get_buffer(k->out_, frames);
    jack_midi_clear_buffer(out);
    StampedMessage message;
    // One message a cycle, at a random frame of it, so that latencies cover every offset.
    if (jack_ringbuffer_read_space(k->toPlay_) >= sizeof message) {
        jack_ringbuffer_read(k->toPlay_, reinterpret_cast<char*>(&message), sizeof message);
        k->random_ = k->random_ * 1664525u + 1013904223u;
        const std::uint32_t offset = (k->random_ >> 8) % frames;
        if (jack_midi_event_write(out, offset, message.bytes, message.length) == 0) {
            message.frame = start + offset;
            jack_ringbuffer_write(k->sent_, reinterpret_cast<const char*>(&message),
                                  sizeof message);
        }
    }
    if (k->rolledAt_ < 0) {
        jack_position_t position;
        if (jack_transport_query(k->client_, &position) == JackTransportRolling) {
            k->rolledFrom_ = position.frame;
            if (position.valid & JackPositionBBT) {
                k->rolledBpm_ = position.beats_per_minute;
                k->rolledBeats_ = (position.bar - 1) * double{position.beats_per_bar} +
                                  (position.beat - 1) + position.tick / position.ticks_per_beat;
            }
            k->rolledAt_ = start;
        }
    }
    if (k->scheduledReady_.load(std::memory_order_acquire)) {
        std::size_t next = k->nextScheduled_.load(std::memory_order_relaxed);
        for (; next < k->scheduled_.size() && k->scheduled_[next].frame < start + frames; ++next) {
            StampedMessage message = k->scheduled_[next];
            const auto offset =
                static_cast<std::uint32_t>(std::max<std::int64_t>(0, message.frame - start));
            if (jack_midi_event_write(out, offset, message.bytes, message.length) != 0) break;
            message.frame = start + offset;
            jack_ringbuffer_write(k->sent_, reinterpret_cast<const char*>(&message),
                                  sizeof message);
        }
        k->nextScheduled_.store(next, std::memory_order_release);
    }
    if (k->in_) {
        void* in = jack_port_get_buffer(k->in_, frames);
        const std::uint32_t count = jack_midi_get_event_count(in);
        for (std::uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, in, i) != 0 || event.size > 3) continue;
            StampedMessage got{start + event.time, static_cast<std::uint8_t>(event.size), {}};
            for (std::size_t b = 0; b < event.size; ++b) got.bytes[b] = event.buffer[b];
            jack_ringbuffer_write(k->received_, reinterpret_cast<const char*>(&got), sizeof got);
        }
    }
    return 0;
}

std::vector<StampedMessage> JackKeyboard::Sent() {
    if (sent_) Drain(sent_, sentLog_);
    return sentLog_;
}

std::vector<StampedMessage> JackKeyboard::Received() {
    if (received_) Drain(received_, receivedLog_);
    return receivedLog_;
}

bool JackKeyboard::WaitForInputConnection(int timeoutMs) const {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (in_ && jack_port_connected(in_) > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::vector<StampedMessage> JackKeyboard::WaitForReceived(std::size_t count, int timeoutMs) {
    for (int waited = 0; Received().size() < count && waited < timeoutMs; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Received();
}

}  // namespace tarvel::testing

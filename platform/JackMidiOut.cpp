#include "platform/JackMidiOut.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "platform/PeriodicTimer.h"

namespace tarvel {
namespace {

// A message crosses to the process thread as one fixed-size record.
struct QueuedMessage {
    std::int64_t dueNs;  // CLOCK_MONOTONIC
    std::uint8_t length;
    std::uint8_t bytes[3];
    std::uint8_t unused[4];
};
static_assert(sizeof(QueuedMessage) == 16);
static_assert(offsetof(QueuedMessage, length) == 8);

// Room for a dense line on every channel even when a 1,024-frame period holds it back ~23 ms.
constexpr std::size_t kQueueBytes = 65536;
constexpr char kOwnPortName[] = "out";

void Quiet(const char*) {}

jack_client_t* OpenClient(const std::string& name) {
    // With no server running, libjack explains so on stderr at every attempt; no server simply
    // means no JACK devices.
    jack_set_error_function(&Quiet);
    jack_set_info_function(&Quiet);
    return jack_client_open(name.c_str(), JackNoStartServer, nullptr);
}

}  // namespace

struct JackMidiOut::Connection {
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    jack_ringbuffer_t* queue = nullptr;
    // Process thread only: messages taken from the queue and not yet due, in time order (a clock
    // stamped ahead must not hold back a note due sooner that was sent after it).
    std::array<QueuedMessage, kQueueBytes / sizeof(QueuedMessage)> waiting{};
    std::size_t waitingCount = 0;

    ~Connection() {
        // Closing the client stops its process cycle (waiting for a running one) before the
        // queue it reads goes.
        if (client) jack_client_close(client);
        if (queue) jack_ringbuffer_free(queue);
    }
};

namespace {

// A time stamp further ahead than this is taken as a fault and sent at once, so it never holds
// back the queue behind it.
constexpr std::int64_t kLongestWaitUs = 1'000'000;

// The frame of this cycle for a message due at `atUs` (JACK's clock), or -1 when it belongs to a
// later cycle. A message already late goes at the cycle's first frame.
std::int64_t FrameFor(jack_client_t* client, std::int64_t atUs, jack_nframes_t cycleStart,
                      jack_time_t cycleUs, jack_time_t nextUs, jack_nframes_t frames) {
    if (atUs <= static_cast<std::int64_t>(cycleUs)) return 0;
    if (atUs >= static_cast<std::int64_t>(nextUs) + kLongestWaitUs) return 0;
    if (atUs >= static_cast<std::int64_t>(nextUs)) return -1;
    const jack_nframes_t frame =
        jack_time_to_frames(client, static_cast<jack_time_t>(atUs)) - cycleStart;
    return std::min<std::int64_t>(frame, frames - 1);
}

// Process thread. Moves what the senders queued into the connection's waiting table, each
// message after those due no later than it, so equal times keep the order they were sent in. A
// time stamp far ahead (a fault) counts as due now. When the table is full the rest stays
// queued for the next cycle.
void TakeQueued(JackMidiOut::Connection& connection, std::int64_t nowNs) {
    QueuedMessage message;
    while (connection.waitingCount < connection.waiting.size() &&
           jack_ringbuffer_read(connection.queue, reinterpret_cast<char*>(&message),
                                sizeof message) == sizeof message) {
        if (message.dueNs > nowNs + kLongestWaitUs * 1000) message.dueNs = nowNs;
        std::size_t at = connection.waitingCount;
        while (at > 0 && connection.waiting[at - 1].dueNs > message.dueNs) {
            connection.waiting[at] = connection.waiting[at - 1];
            --at;
        }
        connection.waiting[at] = message;
        ++connection.waitingCount;
    }
}

// Process thread: real-time, so nothing here waits or allocates.
int Process(jack_nframes_t frames, void* arg) {
    auto* connection = static_cast<JackMidiOut::Connection*>(arg);
    void* buffer = jack_port_get_buffer(connection->port, frames);
    jack_midi_clear_buffer(buffer);
    jack_nframes_t cycleStart = 0;
    jack_time_t cycleUs = 0;
    jack_time_t nextUs = 0;
    float periodUs = 0;
    const bool timed =
        jack_get_cycle_times(connection->client, &cycleStart, &cycleUs, &nextUs, &periodUs) == 0 &&
        nextUs > cycleUs;
    const std::int64_t nowNs = PeriodicTimer::MonotonicNowNs();
    const std::int64_t jackMinusOursUs = JackMidiOut::JackMinusMonotonicUs();
    const std::int64_t latencyUs =
        static_cast<std::int64_t>(nextUs - cycleUs) + JackMidiOut::kSendMarginUs;
    TakeQueued(*connection, nowNs);
    std::int64_t lastFrame = 0;  // JACK wants the events of a cycle in time order
    std::size_t sent = 0;
    for (; sent < connection->waitingCount; ++sent) {
        const QueuedMessage& message = connection->waiting[sent];
        std::int64_t frame = 0;
        if (timed) {
            const std::int64_t atUs = message.dueNs / 1000 + jackMinusOursUs + latencyUs;
            frame = FrameFor(connection->client, atUs, cycleStart, cycleUs, nextUs, frames);
            if (frame < 0) break;  // this and what follows are due in a later cycle
        }
        lastFrame = std::max(lastFrame, frame);
        jack_midi_event_write(buffer, static_cast<jack_nframes_t>(lastFrame), message.bytes,
                              message.length);  // full: dropped
    }
    std::copy(connection->waiting.begin() + static_cast<std::ptrdiff_t>(sent),
              connection->waiting.begin() + static_cast<std::ptrdiff_t>(connection->waitingCount),
              connection->waiting.begin());
    connection->waitingCount -= sent;
    return 0;
}

}  // namespace

std::int64_t JackMidiOut::JackMinusMonotonicUs() noexcept {
    return static_cast<std::int64_t>(jack_get_time()) - PeriodicTimer::MonotonicNowNs() / 1000;
}

std::unique_ptr<JackMidiOut> JackMidiOut::Connect(const std::string& clientName) {
    jack_client_t* own = OpenClient(clientName);
    if (!own) return nullptr;
    std::vector<std::string> names;
    if (const char** ports =
            jack_get_ports(own, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
        for (const char** port = ports; *port; ++port) names.emplace_back(*port);
        jack_free(ports);
    }
    names.push_back(std::string(jack_get_client_name(own)) + ":" + kOwnPortName);
    return std::unique_ptr<JackMidiOut>(new JackMidiOut(clientName, std::move(names), own));
}

JackMidiOut::JackMidiOut(std::string clientName, std::vector<std::string> names, jack_client_t* own)
    : clientName_(std::move(clientName)),
      names_(std::move(names)),
      connections_(names_.size()),
      ownClient_(std::make_unique<Connection>()) {
    ownClient_->client = own;
}

JackMidiOut::~JackMidiOut() {
    // The own port's connection borrows ownClient_'s client: closing that first stops the
    // cycle that reads the connection's queue, then the queue goes.
    if (!connections_.empty() && connections_.back()) connections_.back()->client = nullptr;
    ownClient_.reset();
    connections_.clear();
}

void JackMidiOut::Describe(int device, char* text, std::size_t size) const {
    if (size == 0) return;
    text[0] = '\0';
    if (device < 0 || device >= static_cast<int>(names_.size())) return;
    const Connection* connection = connections_[static_cast<std::size_t>(device)].get();
    if (device == OwnPortDevice()) {
        std::snprintf(text, size, "Port: %s\nAPI: JACK\nClient: %s (our own port)",
                      names_[static_cast<std::size_t>(device)].c_str(),
                      jack_get_client_name(ownClient_->client));
        return;
    }
    // JACK may have renamed our client to keep names unique; an open device knows the name.
    const char* client = connection ? jack_get_client_name(connection->client) : nullptr;
    std::snprintf(text, size, "Port: %s\nAPI: JACK\nClient: %s",
                  names_[static_cast<std::size_t>(device)].c_str(),
                  client ? client : "(not connected)");
}

bool JackMidiOut::Open(int device, std::string& whyNot) {
    if (device < 0 || device >= static_cast<int>(names_.size())) {
        whyNot = "there is no such JACK port";
        return false;
    }
    if (connections_[static_cast<std::size_t>(device)]) return true;
    const bool own = device == OwnPortDevice();
    auto connection = std::make_unique<Connection>();
    connection->client = own ? ownClient_->client : OpenClient(clientName_);
    if (!connection->client) {
        whyNot = "the JACK server did not take a new client";
        return false;
    }
    const std::string portName = own ? kOwnPortName : "out " + std::to_string(device);
    connection->port = jack_port_register(connection->client, portName.c_str(),
                                          JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    connection->queue = jack_ringbuffer_create(kQueueBytes);
    const char* failedStep = nullptr;
    if (!connection->port)
        failedStep = "JACK refused to make the port";
    else if (!connection->queue)
        failedStep = "there was no memory for the port's queue";
    else if (jack_set_process_callback(connection->client, &Process, connection.get()) != 0)
        failedStep = "JACK refused the port's process callback";
    else if (jack_activate(connection->client) != 0)
        failedStep = "JACK could not start the client";
    if (own && failedStep) {
        if (connection->port) jack_port_unregister(connection->client, connection->port);
        connection->client = nullptr;  // stays ownClient_'s
    }
    if (!failedStep && !own &&
        jack_connect(connection->client, jack_port_name(connection->port),
                     names_[static_cast<std::size_t>(device)].c_str()) != 0)
        failedStep = "JACK could not connect to the port";
    if (failedStep) {
        whyNot = failedStep;
        return false;
    }
    connections_[static_cast<std::size_t>(device)] = std::move(connection);
    return true;
}

void JackMidiOut::Close(int device) noexcept {
    if (device < 0 || device >= static_cast<int>(names_.size())) return;
    auto& connection = connections_[static_cast<std::size_t>(device)];
    if (connection && device == OwnPortDevice()) {
        // Stops the process cycle that reads the queue; the client itself stays for a reopen.
        jack_deactivate(connection->client);
        jack_port_unregister(connection->client, connection->port);
        connection->client = nullptr;
    }
    connection.reset();
}

void JackMidiOut::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    if (device < 0 || device >= static_cast<int>(names_.size())) return;
    Connection* connection = connections_[static_cast<std::size_t>(device)].get();
    if (!connection || length < 1 || length > 3) return;
    QueuedMessage message{dueNs_ != 0 ? dueNs_ : PeriodicTimer::MonotonicNowNs(),
                          static_cast<std::uint8_t>(length),
                          {},
                          {}};
    std::memcpy(message.bytes, bytes, static_cast<std::size_t>(length));
    // Never wait on the process thread: when a whole queue is still unsent, the message is lost.
    if (jack_ringbuffer_write_space(connection->queue) >= sizeof message)
        jack_ringbuffer_write(connection->queue, reinterpret_cast<const char*>(&message),
                              sizeof message);
}

}  // namespace tarvel

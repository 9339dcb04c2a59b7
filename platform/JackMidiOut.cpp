#include "platform/JackMidiOut.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <cstdio>
#include <cstring>

namespace tarvel {
namespace {

// A message crosses to the process thread as one fixed-size record.
struct QueuedMessage {
    std::uint8_t length;
    std::uint8_t bytes[3];
};
static_assert(sizeof(QueuedMessage) == 4);

constexpr std::size_t kQueueBytes = 16384;

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

    ~Connection() {
        // Closing the client stops its process cycle (waiting for a running one) before the
        // queue it reads goes.
        if (client) jack_client_close(client);
        if (queue) jack_ringbuffer_free(queue);
    }
};

namespace {

int Process(jack_nframes_t frames, void* arg) {
    auto* connection = static_cast<JackMidiOut::Connection*>(arg);
    void* buffer = jack_port_get_buffer(connection->port, frames);
    jack_midi_clear_buffer(buffer);
    QueuedMessage message;
    while (jack_ringbuffer_read_space(connection->queue) >= sizeof message) {
        jack_ringbuffer_read(connection->queue, reinterpret_cast<char*>(&message), sizeof message);
        jack_midi_event_write(buffer, 0, message.bytes, message.length);  // full: dropped
    }
    return 0;
}

}  // namespace

std::unique_ptr<JackMidiOut> JackMidiOut::Connect(const std::string& clientName) {
    jack_client_t* probe = OpenClient(clientName);
    if (!probe) return nullptr;
    std::vector<std::string> names;
    if (const char** ports =
            jack_get_ports(probe, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
        for (const char** port = ports; *port; ++port) names.emplace_back(*port);
        jack_free(ports);
    }
    jack_client_close(probe);
    return std::unique_ptr<JackMidiOut>(new JackMidiOut(clientName, std::move(names)));
}

JackMidiOut::JackMidiOut(std::string clientName, std::vector<std::string> names)
    : clientName_(std::move(clientName)), names_(std::move(names)), connections_(names_.size()) {}

JackMidiOut::~JackMidiOut() = default;

void JackMidiOut::Describe(int device, char* text, std::size_t size) const {
    if (size == 0) return;
    text[0] = '\0';
    if (device < 0 || device >= static_cast<int>(names_.size())) return;
    const Connection* connection = connections_[static_cast<std::size_t>(device)].get();
    // JACK may have renamed our client to keep names unique; an open device knows the name.
    const char* client = connection ? jack_get_client_name(connection->client) : nullptr;
    std::snprintf(text, size, "Port: %s\nAPI: JACK\nClient: %s",
                  names_[static_cast<std::size_t>(device)].c_str(),
                  client ? client : "(not connected)");
}

bool JackMidiOut::Open(int device) {
    if (device < 0 || device >= static_cast<int>(names_.size())) return false;
    auto connection = std::make_unique<Connection>();
    connection->client = OpenClient(clientName_);
    if (!connection->client) return false;
    const std::string portName = "out " + std::to_string(device);
    connection->port = jack_port_register(connection->client, portName.c_str(),
                                          JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    connection->queue = jack_ringbuffer_create(kQueueBytes);
    if (!connection->port || !connection->queue ||
        jack_set_process_callback(connection->client, &Process, connection.get()) != 0 ||
        jack_activate(connection->client) != 0)
        return false;
    if (jack_connect(connection->client, jack_port_name(connection->port),
                     names_[static_cast<std::size_t>(device)].c_str()) != 0)
        return false;
    connections_[static_cast<std::size_t>(device)] = std::move(connection);
    return true;
}

void JackMidiOut::Close(int device) noexcept {
    if (device < 0 || device >= static_cast<int>(names_.size())) return;
    connections_[static_cast<std::size_t>(device)].reset();
}

void JackMidiOut::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    if (device < 0 || device >= static_cast<int>(names_.size())) return;
    Connection* connection = connections_[static_cast<std::size_t>(device)].get();
    if (!connection || length < 1 || length > 3) return;
    QueuedMessage message{static_cast<std::uint8_t>(length), {}};
    std::memcpy(message.bytes, bytes, static_cast<std::size_t>(length));
    // Never wait on the process thread: when a whole queue is still unsent, the message is lost.
    if (jack_ringbuffer_write_space(connection->queue) >= sizeof message)
        jack_ringbuffer_write(connection->queue, reinterpret_cast<const char*>(&message),
                              sizeof message);
}

}  // namespace tarvel

#include "platform/RtMidiInDriver.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>

#include "platform/MidiInParser.h"

namespace tarvel {

struct RtMidiInDriver::Connection {
    std::string name;
    MidiInSink* sink;
    MidiInParser parser;  // RtMidi's thread only
    std::unique_ptr<RtMidiIn> in;
};

namespace {

void IgnoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

std::unique_ptr<RtMidiIn> ConnectAlsa(const std::string& clientName) {
    try {
        auto in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, clientName);
        in->setErrorCallback(&IgnoreRtMidiError, nullptr);
        return in;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

// RtMidi's input thread. RtMidi hands over whole messages; the parser still vets every byte.
void Receive(double, std::vector<unsigned char>* bytes, void* user) {
    auto* connection = static_cast<RtMidiInDriver::Connection*>(user);
    MidiInMessage message;
    for (unsigned char byte : *bytes)
        if (connection->parser.Feed(byte, message)) connection->sink->ReceiveMidi(message);
}

}  // namespace

std::unique_ptr<RtMidiInDriver> RtMidiInDriver::Connect(const std::string& clientName,
                                                        MidiInSink& sink) {
    // Without the sequencer's device RtMidi would complain on stderr before it fails.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) return nullptr;
    if (!ConnectAlsa(clientName)) return nullptr;
    return std::unique_ptr<RtMidiInDriver>(new RtMidiInDriver(clientName, sink));
}

RtMidiInDriver::RtMidiInDriver(std::string clientName, MidiInSink& sink)
    : clientName_(std::move(clientName)), sink_(sink) {}

RtMidiInDriver::~RtMidiInDriver() {
    while (!open_.empty()) Close(open_.back()->name);
}

std::vector<std::string> RtMidiInDriver::PortNames() {
    std::vector<std::string> names{kOwnInputPortName};
    std::unique_ptr<RtMidiIn> probe = ConnectAlsa(clientName_);
    if (!probe) return names;
    try {
        const unsigned count = probe->getPortCount();
        for (unsigned i = 0; i < count; ++i) names.push_back(probe->getPortName(i));
    } catch (const RtMidiError&) {
    }
    return names;
}

bool RtMidiInDriver::Open(const std::string& name) {
    for (const auto& connection : open_)
        if (connection->name == name) return true;
    auto connection = std::make_unique<Connection>();
    connection->name = name;
    connection->sink = &sink_;
    connection->in = ConnectAlsa(clientName_);
    if (!connection->in) return false;
    try {
        if (name == kOwnInputPortName) {
            connection->in->openVirtualPort(clientName_);
        } else {
            const std::vector<std::string> names = PortNames();
            const auto it = std::find(names.begin() + 1, names.end(), name);
            if (it == names.end()) return false;
            connection->in->openPort(static_cast<unsigned>(it - names.begin() - 1), clientName_);
        }
        connection->in->setCallback(&Receive, connection.get());
    } catch (const RtMidiError&) {
        return false;
    }
    if (!connection->in->isPortOpen()) return false;
    open_.push_back(std::move(connection));
    return true;
}

void RtMidiInDriver::Close(const std::string& name) noexcept {
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [&](const auto& connection) { return connection->name == name; });
    if (it == open_.end()) return;
    try {
        // Closing joins RtMidi's thread, so no callback runs after this.
        (*it)->in->closePort();
    } catch (const RtMidiError&) {
    }
    open_.erase(it);
}

std::vector<std::string> RtMidiInDriver::CheckPorts() {
    const std::vector<std::string> names = PortNames();
    std::vector<std::string> lost;
    for (const auto& connection : open_)
        if (std::find(names.begin(), names.end(), connection->name) == names.end())
            lost.push_back(connection->name);
    for (const std::string& name : lost) {
        Close(name);
        sink_.InputLost(name.c_str());
    }
    return lost;
}

}  // namespace tarvel

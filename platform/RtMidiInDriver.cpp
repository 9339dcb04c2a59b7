#include "platform/RtMidiInDriver.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "platform/MidiInParser.h"
#include "platform/PeriodicTimer.h"

namespace tarvel {

struct RtMidiInDriver::Connection {
    std::string name;
    MidiInSink* sink;
    MidiInParser parser{/*passesClock=*/true};  // RtMidi's thread only
    std::atomic<bool> notes{true};              // its channel messages go on: picked as an input
    std::atomic<bool> clock{false};             // its clock messages go on: the clock source
    std::atomic<bool> launch{false};  // its channel messages go on marked: the launch input
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
// Clock messages are stamped at their arrival, for the player that follows them.
void Receive(double, std::vector<unsigned char>* bytes, void* user) {
    auto* connection = static_cast<RtMidiInDriver::Connection*>(user);
    MidiInMessage message;
    for (unsigned char byte : *bytes) {
        if (!connection->parser.Feed(byte, message)) continue;
        const MidiInRoles roles{.channel = connection->notes.load(std::memory_order_relaxed),
                                .clock = connection->clock.load(std::memory_order_relaxed),
                                .launch = connection->launch.load(std::memory_order_relaxed)};
        message.dueNs = message.status >= 0xF0 && roles.clock ? PeriodicTimer::MonotonicNowNs() : 0;
        PassOn(*connection->sink, message, roles);
    }
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
    while (!open_.empty()) Disconnect(open_.end() - 1);
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
    return Connect(name, /*notes=*/true);
}

bool RtMidiInDriver::Connect(const std::string& name, bool notes) {
    for (const auto& connection : open_) {
        if (connection->name != name) continue;
        if (notes) connection->notes = true;
        return true;
    }
    auto connection = std::make_unique<Connection>();
    connection->name = name;
    connection->sink = &sink_;
    connection->notes = notes;
    connection->clock = name == clockSource_;
    connection->launch = name == launchInput_;
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
        connection->in->ignoreTypes(/*sysex=*/true, /*timing=*/false, /*sensing=*/true);
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
    // Still followed for its clock or its launches: only its notes stop.
    if (name == clockSource_ || name == launchInput_) {
        (*it)->notes = false;
        return;
    }
    Disconnect(it);
}

bool RtMidiInDriver::SetClockSource(const std::string& name) {
    return SetRole(clockSource_, &Connection::clock, name);
}

bool RtMidiInDriver::SetLaunchInput(const std::string& name) {
    return SetRole(launchInput_, &Connection::launch, name);
}

bool RtMidiInDriver::SetRole(std::string& role, std::atomic<bool> Connection::*flag,
                             const std::string& name) {
    if (name == role) return true;
    const std::string was = role;
    role = name;
    for (auto it = open_.begin(); it != open_.end(); ++it) {
        Connection& connection = **it;
        if (connection.name != was) continue;
        connection.*flag = false;
        // Opened for this role alone.
        if (!connection.notes && !connection.clock && !connection.launch) Disconnect(it);
        break;
    }
    if (name.empty()) return true;
    for (const auto& connection : open_)
        if (connection->name == name) (*connection).*flag = true;
    if (Connect(name, /*notes=*/false)) return true;
    role.clear();
    return false;
}

void RtMidiInDriver::Disconnect(std::vector<std::unique_ptr<Connection>>::iterator it) noexcept {
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
        // Gone whether followed for its clock or not.
        Disconnect(std::find_if(open_.begin(), open_.end(),
                                [&](const auto& connection) { return connection->name == name; }));
        sink_.InputLost(name.c_str());
    }
    return lost;
}

}  // namespace tarvel

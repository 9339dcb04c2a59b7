#include "platform/JackMidiIn.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>

#include "platform/JackMidiOut.h"

namespace tarvel {
namespace {

void Quiet(const char*) {}

}  // namespace

std::unique_ptr<JackMidiIn> JackMidiIn::Connect(const std::string& clientName, MidiInSink& sink) {
    // With no server running, libjack explains so on stderr at every attempt.
    jack_set_error_function(&Quiet);
    jack_set_info_function(&Quiet);
    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (!client) return nullptr;
    std::unique_ptr<JackMidiIn> in(new JackMidiIn(client, sink));
    in->ownPort_ =
        jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    in->capturePort_ =
        jack_port_register(client, "capture", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    in->clockPort_ =
        jack_port_register(client, "clock_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    in->launchPort_ =
        jack_port_register(client, "launch_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!in->ownPort_ || !in->capturePort_ || !in->clockPort_ || !in->launchPort_) return nullptr;
    jack_set_process_callback(client, &JackMidiIn::Process, in.get());
    jack_on_shutdown(client, &JackMidiIn::ServerGone, in.get());
    if (jack_activate(client) != 0) return nullptr;
    return in;
}

JackMidiIn::JackMidiIn(jack_client_t* client, MidiInSink& sink) : client_(client), sink_(sink) {}

JackMidiIn::~JackMidiIn() {
    // Stops the process cycle, waiting for a running one, before the parsers go.
    jack_client_close(client_);
}

void JackMidiIn::ReadPort(jack_port_t* port, std::uint32_t frames, MidiInParser& parser,
                          MidiInRoles roles) noexcept {
    void* buffer = jack_port_get_buffer(port, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    if (count == 0) return;
    const std::int64_t jackMinusOursUs = JackMidiOut::JackMinusMonotonicUs();
    const jack_nframes_t cycleStart = jack_last_frame_time(client_);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0) continue;
        // A JACK output plays a message a period and its send margin after it was due. This
        // cycle runs before the time of any of its frames, so a message played through here is
        // never late by that margin: taken off, thru is exactly one period, whatever the frame.
        const auto arrivedUs =
            static_cast<std::int64_t>(jack_frames_to_time(client_, cycleStart + event.time));
        MidiInMessage message{};
        for (std::size_t b = 0; b < event.size; ++b)
            if (parser.Feed(event.buffer[b], message)) {
                message.dueNs = (arrivedUs - jackMinusOursUs - JackMidiOut::kSendMarginUs) * 1000;
                PassOn(sink_, message, roles);
            }
    }
}

// JACK's process thread.
int JackMidiIn::Process(std::uint32_t frames, void* self) {
    auto* in = static_cast<JackMidiIn*>(self);
    // Our own port is read only while picked or followed; its buffer is still taken, as JACK
    // expects.
    const MidiInRoles own{.channel = in->ownOpen_.load(std::memory_order_relaxed),
                          .clock = in->ownClock_.load(std::memory_order_relaxed),
                          .launch = in->ownLaunch_.load(std::memory_order_relaxed)};
    if (own.channel || own.clock || own.launch)
        in->ReadPort(in->ownPort_, frames, in->ownParser_, own);
    in->ReadPort(in->capturePort_, frames, in->captureParser_, {.channel = true});
    in->ReadPort(in->clockPort_, frames, in->clockParser_, {.clock = true});
    in->ReadPort(in->launchPort_, frames, in->launchParser_, {.launch = true});
    return 0;
}

void JackMidiIn::ServerGone(void* self) {
    static_cast<JackMidiIn*>(self)->serverGone_ = true;
}

std::string JackMidiIn::OwnPortName() const {
    return jack_port_name(ownPort_);
}

std::vector<std::string> JackMidiIn::PortNames() {
    std::vector<std::string> names{kOwnInputPortName};
    if (serverGone_) return names;
    const std::string ownClient = std::string(jack_get_client_name(client_)) + ":";
    if (const char** ports =
            jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)) {
        for (const char** port = ports; *port; ++port)
            if (std::string(*port).rfind(ownClient, 0) != 0) names.emplace_back(*port);
        jack_free(ports);
    }
    return names;
}

bool JackMidiIn::Open(const std::string& name) {
    if (serverGone_) return false;
    if (name == kOwnInputPortName) {
        ownOpen_ = true;
        return true;
    }
    if (std::find(open_.begin(), open_.end(), name) != open_.end()) return true;
    const int result = jack_connect(client_, name.c_str(), jack_port_name(capturePort_));
    if (result != 0 && result != EEXIST) return false;
    open_.push_back(name);
    return true;
}

void JackMidiIn::Close(const std::string& name) noexcept {
    if (name == kOwnInputPortName) {
        ownOpen_ = false;
        return;
    }
    const auto it = std::find(open_.begin(), open_.end(), name);
    if (it == open_.end()) return;
    if (!serverGone_) jack_disconnect(client_, name.c_str(), jack_port_name(capturePort_));
    open_.erase(it);
}

bool JackMidiIn::SetClockSource(const std::string& name) {
    return SetRole(clockSource_, clockPort_, ownClock_, name);
}

bool JackMidiIn::SetLaunchInput(const std::string& name) {
    return SetRole(launchInput_, launchPort_, ownLaunch_, name);
}

bool JackMidiIn::SetRole(std::string& role, jack_port_t* port, std::atomic<bool>& own,
                         const std::string& name) {
    if (name == role && (name != kOwnInputPortName) == !own) return true;
    if (!role.empty() && role != kOwnInputPortName && !serverGone_)
        jack_disconnect(client_, role.c_str(), jack_port_name(port));
    role.clear();
    own = false;
    if (name.empty()) return true;
    if (name == kOwnInputPortName) {
        own = true;
    } else {
        if (serverGone_) return false;
        const int result = jack_connect(client_, name.c_str(), jack_port_name(port));
        if (result != 0 && result != EEXIST) return false;
    }
    role = name;
    return true;
}

std::vector<std::string> JackMidiIn::CheckPorts() {
    std::vector<std::string> lost;
    if (serverGone_) {
        lost = open_;
        if (ownOpen_) lost.emplace_back(kOwnInputPortName);
    } else {
        for (const std::string& name : open_)
            if (!jack_port_by_name(client_, name.c_str())) lost.push_back(name);
    }
    for (const std::string& name : lost) {
        Close(name);
        sink_.InputLost(name.c_str());
    }
    return lost;
}

}  // namespace tarvel

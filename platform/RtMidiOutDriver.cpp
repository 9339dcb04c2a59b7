#include "platform/RtMidiOutDriver.h"

#include <rtmidi/RtMidi.h>

#include <cstdio>
#include <cstring>

namespace tarvel {
namespace {

// RtMidi reports through exceptions or, once this is set, through the callback; we want neither
// to reach the user or the log.
void IgnoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

std::unique_ptr<RtMidiOut> Connect(RtMidi::Api api, const std::string& clientName) {
    try {
        auto out = std::make_unique<RtMidiOut>(api, clientName);
        out->setErrorCallback(&IgnoreRtMidiError, nullptr);
        return out;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

}  // namespace

RtMidiOutDriver::RtMidiOutDriver(Api api, std::string clientName)
    : clientName_(std::move(clientName)) {
    std::vector<RtMidi::Api> candidates;
    if (api != Api::Jack) candidates.push_back(RtMidi::LINUX_ALSA);
    if (api != Api::Alsa) candidates.push_back(RtMidi::UNIX_JACK);
    for (RtMidi::Api candidate : candidates) {
        if (candidate == RtMidi::UNIX_JACK) {
            jack_ = JackMidiOut::Connect(clientName_);
            if (jack_) names_ = jack_->PortNames();
            break;
        }
        std::unique_ptr<RtMidiOut> probe = Connect(candidate, clientName_);
        if (!probe) continue;
        try {
            unsigned count = probe->getPortCount();
            for (unsigned i = 0; i < count; ++i) names_.push_back(probe->getPortName(i));
        } catch (const RtMidiError&) {
            names_.clear();
            continue;
        }
        names_.push_back(clientName_);
        api_ = candidate;
        break;
    }
    ports_.resize(names_.size());
}

RtMidiOutDriver::~RtMidiOutDriver() {
    for (std::size_t i = 0; i < names_.size(); ++i) Close(static_cast<int>(i));
}

int RtMidiOutDriver::DeviceCount() {
    return static_cast<int>(names_.size());
}

MidiOutCaps RtMidiOutDriver::Describe(int device) {
    MidiOutCaps caps;
    if (device < 0 || device >= DeviceCount()) return caps;
    const std::string& port = names_[static_cast<std::size_t>(device)];
    std::strncpy(caps.productName, port.c_str(), sizeof caps.productName - 1);
    if (jack_) {
        jack_->Describe(device, caps.details, sizeof caps.details);
    } else {
        std::snprintf(caps.details, sizeof caps.details, "Port: %s%s\nAPI: %s\nClient: %s",
                      port.c_str(), IsOwnPort(device) ? " (our own port, for other programs)" : "",
                      RtMidi::getApiDisplayName(static_cast<RtMidi::Api>(api_)).c_str(),
                      clientName_.c_str());
    }
    return caps;
}

bool RtMidiOutDriver::Open(int device, std::string& whyNot) {
    if (device < 0 || device >= DeviceCount()) {
        whyNot = "there is no such port";
        return false;
    }
    if (jack_) return jack_->Open(device, whyNot);
    auto out = Connect(static_cast<RtMidi::Api>(api_), clientName_);
    if (!out) {
        whyNot = "the MIDI system did not take a new client";
        return false;
    }
    try {
        if (IsOwnPort(device))
            out->openVirtualPort(clientName_);
        else
            out->openPort(static_cast<unsigned>(device), "out " + std::to_string(device));
    } catch (const RtMidiError& error) {
        whyNot = error.getMessage();
        return false;
    }
    // A virtual port counts as open once made, though RtMidi reports it closed.
    if (!IsOwnPort(device) && !out->isPortOpen()) {
        whyNot = "the port did not open";
        return false;
    }
    ports_[static_cast<std::size_t>(device)] = std::move(out);
    return true;
}

void RtMidiOutDriver::Close(int device) noexcept {
    if (device < 0 || device >= DeviceCount()) return;
    if (jack_) return jack_->Close(device);
    try {
        ports_[static_cast<std::size_t>(device)].reset();
    } catch (...) {
    }
}

void RtMidiOutDriver::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    if (device < 0 || device >= DeviceCount()) return;
    if (jack_) return jack_->Send(device, bytes, length);
    RtMidiOut* out = ports_[static_cast<std::size_t>(device)].get();
    if (!out) return;
    try {
        out->sendMessage(bytes, static_cast<std::size_t>(length));
    } catch (...) {
    }
}

void RtMidiOutDriver::SetDueTime(std::int64_t dueNs) noexcept {
    if (jack_) jack_->SetDueTime(dueNs);
}

}  // namespace tarvel

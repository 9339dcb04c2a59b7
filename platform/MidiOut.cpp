#include "platform/MidiOut.h"

#include <cstdio>
#include <cstring>

namespace tarvel {

void ChainedMidiOut::Add(std::unique_ptr<MidiOutDriver> driver) {
    counts_.push_back(driver->DeviceCount());
    drivers_.push_back(std::move(driver));
}

ChainedMidiOut::Route ChainedMidiOut::Find(int device) const noexcept {
    if (device < 0) return {nullptr, 0};
    for (std::size_t i = 0; i < drivers_.size(); ++i) {
        if (device < counts_[i]) return {drivers_[i].get(), device};
        device -= counts_[i];
    }
    return {nullptr, 0};
}

int ChainedMidiOut::DeviceCount() {
    int total = 0;
    for (int count : counts_) total += count;
    return total;
}

MidiOutCaps ChainedMidiOut::Describe(int device) {
    Route route = Find(device);
    MidiOutCaps caps = route.driver ? route.driver->Describe(route.device) : MidiOutCaps{};
    if (device == 0 && !note_.empty()) {
        caps.details[sizeof caps.details - 1] = '\0';
        const std::size_t used = std::strlen(caps.details);
        std::snprintf(caps.details + used, sizeof caps.details - used, "%s%s", used ? "\n" : "",
                      note_.c_str());
    }
    return caps;
}

bool ChainedMidiOut::Open(int device, std::string& whyNot) {
    Route route = Find(device);
    if (!route.driver) whyNot = "there is no such device";
    return route.driver && route.driver->Open(route.device, whyNot);
}

void ChainedMidiOut::Close(int device) noexcept {
    Route route = Find(device);
    if (route.driver) route.driver->Close(route.device);
}

void ChainedMidiOut::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    Route route = Find(device);
    if (route.driver) route.driver->Send(route.device, bytes, length);
}

void ChainedMidiOut::SetDueTime(std::int64_t dueNs) noexcept {
    for (const auto& driver : drivers_) driver->SetDueTime(dueNs);
}

void ChainedMidiOut::PreparePrograms(const std::bitset<128>& programs) {
    for (const auto& driver : drivers_) driver->PreparePrograms(programs);
}

int MidiMessageLength(std::uint8_t status) noexcept {
    if (status < 0x80) return 0;
    if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 2 : 3;  // program change, aftertouch
    switch (status) {
        case 0xF0:
            return 0;
        case 0xF1:
        case 0xF3:
            return 2;
        case 0xF2:
            return 3;
        default:
            return 1;  // tune request, EOX, undefined and real-time messages
    }
}

}  // namespace tarvel

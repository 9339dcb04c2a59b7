#include "support/RecordingMidiOut.h"

#include <cstdio>
#include <cstring>

namespace tarvel {

RecordingMidiOut::RecordingMidiOut(int deviceCount, std::size_t capacity)
    : deviceCount_(deviceCount), open_(static_cast<std::size_t>(deviceCount), false) {
    // Written through once, so that no send is the first to touch a page: a first touch
    // under the document lock can cost a fault that zeroes a whole huge page.
    messages_.resize(capacity);
    messages_.clear();
}

void RecordingMidiOut::SetStamp(std::int64_t stamp) {
    std::lock_guard lock(mutex_);
    stamp_ = stamp;
}

std::vector<RecordedMessage> RecordingMidiOut::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

void RecordingMidiOut::Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

bool RecordingMidiOut::IsOpen(int device) const {
    std::lock_guard lock(mutex_);
    return device >= 0 && device < deviceCount_ && open_[static_cast<std::size_t>(device)];
}

MidiOutCaps RecordingMidiOut::Describe(int device) {
    MidiOutCaps caps;  // a name only; the rest stays 0, as for a back end that cannot know it
    std::snprintf(caps.productName, sizeof caps.productName, "Recorder %d", device);
    return caps;
}

bool RecordingMidiOut::Open(int device, std::string& whyNot) {
    std::lock_guard lock(mutex_);
    if (device < 0 || device >= deviceCount_ || failingDevices_.count(device)) {
        whyNot = "the test refused it";
        return false;
    }
    open_[static_cast<std::size_t>(device)] = true;
    return true;
}

void RecordingMidiOut::Close(int device) noexcept {
    std::lock_guard lock(mutex_);
    if (device >= 0 && device < deviceCount_) open_[static_cast<std::size_t>(device)] = false;
}

void RecordingMidiOut::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    std::lock_guard lock(mutex_);
    if (device < 0 || device >= deviceCount_ || !open_[static_cast<std::size_t>(device)]) return;
    if (length < 1 || length > 3 || messages_.size() == messages_.capacity()) return;
    RecordedMessage message{device, {0, 0, 0}, length, stamp_, dueNs_};
    std::memcpy(message.bytes, bytes, static_cast<std::size_t>(length));
    messages_.push_back(message);
}

void RecordingMidiOut::SetDueTime(std::int64_t dueNs) noexcept {
    std::lock_guard lock(mutex_);
    dueNs_ = dueNs;
}

}  // namespace tarvel

#include "support/RecordingUi.h"

#include <cstdio>

namespace tarvel::testing {

void RecordingUi::Record(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
}

void RecordingUi::ShowMessage(const UserMessage& message) {
    const char* icon = message.icon == MessageIcon::Error ? "error" : "info";
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
    events_.push_back("message:" + std::string(icon) + ":" + message.title + ":" + message.text);
}

std::vector<std::string> RecordingUi::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<UserMessage> RecordingUi::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

void RecordingUi::Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
    messages_.clear();
}

void TestDocument::Settle() {
    doc->DispatchUiSignals();
    TakeSent();
    ui.Clear();
}

std::string Describe(const RecordedMessage& message) {
    std::string text;
    char byte[4];
    for (int i = 0; i < message.length; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02x" : "%02x", message.bytes[i]);
        text += byte;
    }
    return text + "@" + std::to_string(message.device);
}

std::vector<std::string> TakeSent(RecordingMidiOut& midi) {
    std::vector<std::string> sent;
    for (const RecordedMessage& message : midi.Messages()) sent.push_back(Describe(message));
    midi.Clear();
    return sent;
}

}  // namespace tarvel::testing

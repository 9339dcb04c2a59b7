#include "support/RecordingUi.h"

#include <cstdio>

namespace tarvel::testing {

void RecordingUi::Record(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
}

void RecordingUi::ShowMessage(const UserMessage& message) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
    }
    const char* icon = message.icon == MessageIcon::Error ? "error" : "info";
    Record("message:" + std::string(icon) + ":" + message.title + ":" + message.text);
}

void RecordingUi::InvalidateView() {
    Record("invalidate");
}
void RecordingUi::SelectProgram(int program) {
    Record("program:" + std::to_string(program));
}
void RecordingUi::ShowBpmText(int bpm) {
    Record("bpm:" + std::to_string(bpm));
}
void RecordingUi::RefreshPanel() {
    Record("panel");
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

TestDocument::TestDocument(int devices, DocOptions options) : midi(devices) {
    doc = std::make_unique<CFennoralDoc>(ui, midi, options);
}

std::vector<std::string> TestDocument::TakeSent() {
    return testing::TakeSent(midi);
}

void TestDocument::Settle() {
    doc->DispatchUiSignals();
    TakeSent();
    ui.Clear();
}

std::vector<std::string> TestDocument::TakeUiEvents(std::unique_lock<DocumentMutex>& held) {
    held.unlock();
    doc->DispatchUiSignals();
    held.lock();
    std::vector<std::string> events = ui.Events();
    ui.Clear();
    return events;
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

// A window side that only writes down what the core asked of it.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "document/FennoralDoc.h"
#include "document/UiHooks.h"
#include "support/RecordingMidiOut.h"

namespace tarvel::testing {

class RecordingUi final : public UiHooks {
  public:
    void ShowMessage(const UserMessage& message) override;
    void InvalidateView() override { Record("invalidate"); }
    void SelectProgram(int program) override { Record("program:" + std::to_string(program)); }
    void ShowBpmText(int bpm) override { Record("bpm:" + std::to_string(bpm)); }
    void RefreshPanel() override { Record("panel"); }
    void ShowTempoSource(const std::string& label, bool followed, bool typedTempoShared) override {
        Record("tempo source:" + label + (followed ? ":followed" : "") +
               (typedTempoShared ? ":shared" : ""));
    }
    void ShowStatusText(const std::string& text) override { Record("status:" + text); }
    void WakeWindowThread() noexcept override {}

    // "message:<icon>:<title>:<text>", "invalidate", "program:<n>", "bpm:<n>", "panel",
    // "tempo source:<label>[:followed][:shared]", "status:<text>".
    std::vector<std::string> Events() const;
    std::vector<UserMessage> Messages() const;
    void Clear();

  private:
    void Record(std::string event);
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<UserMessage> messages_;
};

// What the window layer does with an operation's result: a failure's box is shown, here
// recorded. True when it worked.
template <class Value>
bool Worked(RecordingUi& ui, const Fallible<Value>& result) {
    if (!result) ui.ShowMessage(result.failure());
    return static_cast<bool>(result);
}

std::string Describe(const RecordedMessage& message);
// The messages `midi` recorded since the last call, as "90 3c 64@0" (bytes, then @device), and
// forgets them.
std::vector<std::string> TakeSent(RecordingMidiOut& midi);

// A document on recording devices, with the clock off unless asked for.
struct TestDocument {
    explicit TestDocument(int devices = 1, DocOptions options = {.startTimer = false})
        : midi(devices), doc(std::make_unique<CFennoralDoc>(ui, midi, options)) {}

    RecordingUi ui;
    RecordingMidiOut midi;
    std::unique_ptr<CFennoralDoc> doc;

    std::vector<std::string> TakeSent() { return testing::TakeSent(midi); }
    // Forgets what start-up sent and signalled. Call without holding the document.
    void Settle();
};

// Runs `work` with the document locked, as the window thread's own changes run; gives its result.
template <typename Work>
auto Locked(CFennoralDoc& doc, Work work) {
    std::lock_guard lock(doc.mutex);
    return work();
}

}  // namespace tarvel::testing

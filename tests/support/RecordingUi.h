// A window side that only writes down what the core asked of it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/RecordingMidiOut.h"
#include "document/FennoralDoc.h"
#include "document/UiHooks.h"

namespace tarvel::testing {

class RecordingUi final : public UiHooks {
  public:
    void ShowMessage(const UserMessage& message) override;
    void InvalidateView() override;
    void SelectProgram(int program) override;
    void ShowBpmText(int bpm) override;
    void RefreshPanel() override;
    void WakeWindowThread() noexcept override { wakes.fetch_add(1); }

    // "message:<icon>:<title>:<text>", "invalidate", "program:<n>", "bpm:<n>", "panel".
    std::vector<std::string> Events() const;
    std::vector<UserMessage> Messages() const;
    void Clear();

    std::atomic<int> wakes{0};

  private:
    void Record(std::string event);
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<UserMessage> messages_;
};

// A document on recording devices, with the clock off unless asked for.
struct TestDocument {
    explicit TestDocument(int devices = 1, DocOptions options = {.startTimer = false});

    RecordingUi ui;
    RecordingMidiOut midi;
    std::unique_ptr<CFennoralDoc> doc;

    // The messages sent since the last call, as "90 3c 64@0" (bytes, then @device).
    std::vector<std::string> TakeSent();
    // Forgets what start-up sent and signalled. Call without holding the document.
    void Settle();
    // What the window thread is asked for when it dispatches the signals raised since the last
    // call (see RecordingUi::Events); `held`, the caller's hold on the document, is let go
    // meanwhile, as the window thread needs it.
    std::vector<std::string> TakeUiEvents(std::unique_lock<DocumentMutex>& held);
};

std::string Describe(const RecordedMessage& message);
// The messages `midi` recorded since the last call, described as above, and forgets them.
std::vector<std::string> TakeSent(RecordingMidiOut& midi);

}  // namespace tarvel::testing

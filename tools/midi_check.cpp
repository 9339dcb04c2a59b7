// Lists the machine's MIDI outputs as the program sees them and plays a short phrase on
// device 0, so a musician can check the set-up without opening a song.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "document/FennoralDoc.h"

namespace {

class ConsoleUi final : public tarvel::UiHooks {
  public:
    void ShowMessage(const tarvel::UserMessage& message) override {
        std::printf("[%s] %s\n", message.title.c_str(), message.text.c_str());
    }
    void InvalidateView() override {}
    void SelectProgram(int) override {}
    void ShowBpmText(int) override {}
    void RefreshPanel() override {}
    void WakeWindowThread() noexcept override {}
};

}  // namespace

int main() {
    using namespace std::chrono_literals;
    tarvel::PrepareProcessForMidi();
    ConsoleUi ui;
    auto midiOut = tarvel::CreateSystemMidiOut();
    auto doc = std::make_unique<tarvel::CFennoralDoc>(ui, *midiOut, tarvel::DocOptions{false});

    std::printf("%d MIDI output device(s)\n", doc->ports.deviceCount);
    for (int device = 0; device < doc->ports.deviceCount; ++device)
        std::printf("  %d: %s%s\n", device, doc->ports.capabilities[device].productName,
                    doc->ports.handles[device] ? "" : " (could not be opened)");
    if (doc->ports.deviceCount == 0) return 0;

    std::printf("Playing a phrase on device 0...\n");
    const int phrase[] = {60, 64, 67, 72, 67, 64, 60};
    for (int note : phrase) {
        {
            std::lock_guard lock(doc->mutex);
            doc->NoteOn(0, 0, note, 100);
        }
        std::this_thread::sleep_for(250ms);
    }
    {
        std::lock_guard lock(doc->mutex);
        doc->ReleaseAllNotes();
    }
    std::this_thread::sleep_for(500ms);  // let the last note ring out
    return 0;
}

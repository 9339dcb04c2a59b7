// The player's 2 ms clock: a timer thread that runs one PlayerTick per period under the
// document lock, for the whole life of the document.
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

constexpr std::int64_t kTickPeriodNs = 2'000'000;

}  // namespace

void CFennoralDoc::StartClock() {
    if (clock_.Start(kTickPeriodNs, &CFennoralDoc::ClockTick, this, &CFennoralDoc::ClockFailed)) {
        std::lock_guard lock(mutex);
        player.timerId = 1;
        return;
    }
    // The program goes on: play commands still change the state, but no line ever plays.
    ui_.ShowMessage({MessageIcon::Error, "Fatal error", "Failed to create timer!", false});
}

void CFennoralDoc::ClockTick(void* doc, std::int64_t deadlineNs) {
    CFennoralDoc& self = *static_cast<CFennoralDoc*>(doc);
    std::lock_guard lock(self.mutex);
    self.PlayDeferredInput();  // input that came while the window held the lock, first
    self.PlayerTick(deadlineNs);
}

void CFennoralDoc::ClockFailed(void* doc) noexcept {
    static_cast<CFennoralDoc*>(doc)->RaiseUiSignal(kClockStopped);
}

// The player stops with its notes released, as after a failed start; play commands still change
// the state, but no line plays until the program starts again.
void CFennoralDoc::ShowClockStopped() {
    const char* why = clock_.FailureReason();
    if (!why) return;  // stopped and started again since
    {
        std::lock_guard lock(mutex);
        player.timerId = 0;
        StopPlayback();
    }
    ui_.ShowMessage({MessageIcon::Error, "Fatal error",
                     std::string("The player's clock stopped: ") + why + ".", false});
}

}  // namespace tarvel

// The player's 2 ms clock: a timer thread that runs one PlayerTick per period under the
// document lock, for the whole life of the document.
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

constexpr std::int64_t kTickPeriodNs = 2'000'000;

}  // namespace

void CFennoralDoc::StartClock() {
    if (clock_.Start(kTickPeriodNs, &CFennoralDoc::ClockTick, this)) {
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
    self.PlayerTick(deadlineNs);
}

}  // namespace tarvel

// "Record arrangement": each launched pattern that started is written into the grid at the row
// where it started, one undo step each, on the window thread.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {

void CFennoralDoc::TakeLaunchStarts() {
    // A few steps per hold: each allocates.
    for (bool more = true; more;) {
        std::lock_guard lock(mutex);
        // A mouse drag's step is still open: the starts wait for the next call.
        if (history.IsOpen()) return;
        more = TakeSomeLaunchStarts(kInputEditsPerHold);
    }
}

bool CFennoralDoc::TakeSomeLaunchStarts(int most) {
    TARVEL_ASSERT_LOCKED(*this);
    LiveState& live = player.live;
    const int taken = std::min(most, live.startCount);
    for (int i = 0; i < taken; ++i) {
        const LaunchStart& start = live.starts[i];
        if (start.row < 0 || start.row >= kSequenceRows || start.track >= kTrackCount) continue;
        // Each start its own step; one that finds its slot already so (a loop's repeat on a
        // second pass) makes none.
        history.Begin("Launch");
        history.Watch(SequenceSlotRange(start.row, start.track));
        song.sequence[start.row][start.track] = {start.pattern, start.transpose, 0};
        history.End();
    }
    live.startCount -= taken;
    std::memmove(live.starts, live.starts + taken,
                 sizeof(LaunchStart) * static_cast<std::size_t>(live.startCount));
    if (live.startCount > 0) return true;
    if (live.startsOverflowed) history.MarkUnsaved();
    live.startsOverflowed = 0;
    return false;
}

}  // namespace tarvel

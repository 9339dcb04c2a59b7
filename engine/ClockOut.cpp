// MIDI clock out: 24 clocks per beat (6 per line, a line being a sixteenth) to the devices that
// follow our tempo, with Start, Stop and Song Position Pointer around them. Every clock is
// stamped with its exact due time, so back ends that deliver by time stamp space them evenly
// even where a sixth of the line is not a whole number of 2 ms ticks. Nothing here allocates.
#include <algorithm>

#include "engine/Engine.h"
#include "engine/LineTiming.h"

namespace tarvel {
namespace {

constexpr int kClocksPerLine = 6;
constexpr std::uint8_t kTimingClock = 0xF8;
constexpr std::uint8_t kStart = 0xFA;
constexpr std::uint8_t kContinue = 0xFB;
constexpr std::uint8_t kStop = 0xFC;
constexpr std::uint8_t kSongPosition = 0xF2;

}  // namespace

void Engine::SetSendsClock(int device, bool sends) {
    TARVEL_ASSERT_LOCKED(*this);
    if (device < 0 || device >= kMaxMidiDevices) return;
    const bool was = ports.sendsClock[device] != 0;
    if (was == sends) return;
    if (player.isPlaying && !sends) SendToDevice(device, kStop, 0, 0);
    ports.sendsClock[device] = sends ? 1 : 0;
    // A device that joins mid-song is told where the song is at the next line.
    if (sends) player.clockOut.expectedRow = -1;
}

void Engine::SendToClockDevices(std::uint8_t status, int data1, int data2) noexcept {
    for (int device = 0; device < ports.deviceCount; ++device)
        if (ports.sendsClock[device]) SendToDevice(device, status, data1, data2);
}

void Engine::SetDueTime(std::int64_t dueNs) noexcept {
    MidiOutDriver* told = nullptr;  // every device usually shares one driver
    for (int device = 0; device < ports.deviceCount; ++device) {
        MidiOutDriver* handle = ports.handles[device];
        if (!handle || handle == told) continue;
        handle->SetDueTime(dueNs);
        told = handle;
    }
}

void Engine::SendClockOut(int lineDuration, std::int64_t deadlineNs) {
    TARVEL_ASSERT_LOCKED(*this);
    ClockOutState& clock = player.clockOut;
    if (player.lineClock == 0) {
        clock.clocksSentInLine = 0;
        // One line is one MIDI beat (six clocks), so the song position is the row.
        const int row = player.playRow;
        const bool songMode = player.playMode == kSongMode;
        if (clock.startPending && (!songMode || row == 0)) {
            SendToClockDevices(kStart, 0, 0);
        } else if (clock.startPending || (songMode && row != clock.expectedRow)) {
            if (!clock.startPending) SendToClockDevices(kStop, 0, 0);
            SendToClockDevices(kSongPosition, row & 0x7F, (row >> 7) & 0x7F);
            SendToClockDevices(kContinue, 0, 0);
        }
        clock.startPending = 0;
        clock.expectedRow = row + 1;
    }

    // A line lasts whole ticks: 2 ms x ceil(lineDuration / 2). It ends at the first tick that
    // reaches its length, so all six clocks have gone by then, even when a faster tempo typed in
    // mid-line cuts it short.
    const std::int64_t lineNs = WholeTickLineNs(lineDuration);
    const std::int64_t tickStartNs = std::int64_t{player.lineClock} * kNsPerMs;
    while (clock.clocksSentInLine < kClocksPerLine) {
        const std::int64_t offsetNs = clock.clocksSentInLine * lineNs / kClocksPerLine;
        if (offsetNs >= tickStartNs + kTickNs) break;
        if (deadlineNs != 0)
            SetDueTime(deadlineNs + std::max<std::int64_t>(0, offsetNs - tickStartNs));
        SendToClockDevices(kTimingClock, 0, 0);
        ++clock.clocksSentInLine;
    }
    SetDueTime(deadlineNs);  // the tick's own sends
}

}  // namespace tarvel

// The timer's system side on Windows: QueryPerformanceCounter for the clock, a high-resolution
// waitable timer for the sleep (with timeBeginPeriod(1) where Windows is older than 10 1803 and
// has none), the thread raised to MMCSS "Pro Audio" or at least time-critical priority.
#include <windows.h>
// After windows.h, which they need.
#include <avrt.h>
#include <timeapi.h>

#include "platform/PeriodicTimer.h"

namespace tarvel {
namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// What the timer thread holds for its life. Plain values, so that the thread-local copy needs
// no clean-up registered for it (which would allocate on the timer thread).
struct TimerThreadState {
    HANDLE timer;
    HANDLE mmcss;
    bool periodBegun;
};
thread_local TimerThreadState thisThread{};

// Deadlines stay absolute on the performance counter; only the sleep to the next one is relative,
// so a change of the wall clock never moves a tick.
const char* SleepUntil(std::int64_t deadlineNs) noexcept {
    if (!thisThread.timer) return "Windows could not make a waitable timer";
    const std::int64_t remaining = deadlineNs - PeriodicTimer::MonotonicNowNs();
    if (remaining <= 0) return nullptr;
    LARGE_INTEGER due;
    due.QuadPart = -((remaining + 99) / 100);  // negative: relative, in 100 ns units
    if (!SetWaitableTimer(thisThread.timer, &due, 0, nullptr, nullptr, FALSE))
        return "Windows refused to set the waitable timer";
    if (WaitForSingleObject(thisThread.timer, INFINITE) != WAIT_OBJECT_0)
        return "waiting on the waitable timer failed";
    return nullptr;
}

}  // namespace

std::int64_t PeriodicTimer::MonotonicNowNs() noexcept {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    // Whole seconds and the rest apart, so that the product never overflows.
    const std::int64_t seconds = counter.QuadPart / frequency.QuadPart;
    const std::int64_t rest = counter.QuadPart % frequency.QuadPart;
    return seconds * 1'000'000'000 + rest * 1'000'000'000 / frequency.QuadPart;
}

ClockCalls SystemClockCalls() {
    return {&PeriodicTimer::MonotonicNowNs, &SleepUntil};
}

bool PeriodicTimer::PrepareTimerThread() noexcept {
    thisThread.timer = CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!thisThread.timer) {
        // An ordinary waitable timer wakes on the system tick, which this makes 1 ms.
        thisThread.periodBegun = timeBeginPeriod(1) == TIMERR_NOERROR;
        thisThread.timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
    DWORD taskIndex = 0;
    thisThread.mmcss = AvSetMmThreadCharacteristicsW(L"Pro Audio", &taskIndex);
    return thisThread.mmcss || SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

void PeriodicTimer::EndTimerThread() noexcept {
    if (thisThread.mmcss) AvRevertMmThreadCharacteristics(thisThread.mmcss);
    if (thisThread.timer) CloseHandle(thisThread.timer);
    if (thisThread.periodBegun) timeEndPeriod(1);
    thisThread = {};
}

}  // namespace tarvel

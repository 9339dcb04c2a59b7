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

// What the timer thread holds for its whole life: made on its first use there, given back when
// the thread ends.
class TimerThreadState {
  public:
    TimerThreadState() {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
        if (!timer_) {
            // An ordinary waitable timer wakes on the system tick, which this makes 1 ms.
            periodBegun_ = timeBeginPeriod(1) == TIMERR_NOERROR;
            timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        }
        DWORD taskIndex = 0;
        mmcss_ = AvSetMmThreadCharacteristicsW(L"Pro Audio", &taskIndex);
        realtime_ = mmcss_ != nullptr ||
                    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
    }
    ~TimerThreadState() {
        if (mmcss_) AvRevertMmThreadCharacteristics(mmcss_);
        if (timer_) CloseHandle(timer_);
        if (periodBegun_) timeEndPeriod(1);
    }
    TimerThreadState(const TimerThreadState&) = delete;
    TimerThreadState& operator=(const TimerThreadState&) = delete;

    bool realtime() const { return realtime_; }

    const char* SleepFor(std::int64_t ns) {
        if (!timer_) return "Windows could not make a waitable timer";
        LARGE_INTEGER due;
        due.QuadPart = -((ns + 99) / 100);  // negative: relative, in 100 ns units
        if (!SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE))
            return "Windows refused to set the waitable timer";
        if (WaitForSingleObject(timer_, INFINITE) != WAIT_OBJECT_0)
            return "waiting on the waitable timer failed";
        return nullptr;
    }

  private:
    HANDLE timer_ = nullptr;
    HANDLE mmcss_ = nullptr;
    bool periodBegun_ = false;
    bool realtime_ = false;
};

TimerThreadState& ThisThreadsState() {
    thread_local TimerThreadState state;
    return state;
}

// Deadlines stay absolute on the performance counter; only the sleep to the next one is relative,
// so a change of the wall clock never moves a tick.
const char* SleepUntil(std::int64_t deadlineNs) noexcept {
    const std::int64_t remaining = deadlineNs - PeriodicTimer::MonotonicNowNs();
    if (remaining <= 0) return nullptr;
    return ThisThreadsState().SleepFor(remaining);
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
    return ThisThreadsState().realtime();
}

}  // namespace tarvel

// The timer's system side on Linux: CLOCK_MONOTONIC, absolute clock_nanosleep, SCHED_FIFO.
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

#include <cerrno>
#include <ctime>

#include "platform/PeriodicTimer.h"

namespace tarvel {
namespace {

// Above every ordinary thread, below the audio servers' own threads.
constexpr int kRealtimePriority = 20;

timespec ToTimespec(std::int64_t ns) {
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

const char* SleepUntil(std::int64_t deadlineNs) noexcept {
    const timespec due = ToTimespec(deadlineNs);
    int error;
    while ((error = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr)) == EINTR) {
    }
    switch (error) {
        case 0:
            return nullptr;
        case EINVAL:
            return "the system refused the sleep until the next tick (invalid argument)";
        case ENOTSUP:
            return "the system cannot sleep on its monotonic clock";
        default:
            return "the sleep until the next tick failed";
    }
}

}  // namespace

std::int64_t PeriodicTimer::MonotonicNowNs() noexcept {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

ClockCalls SystemClockCalls() {
    return {&PeriodicTimer::MonotonicNowNs, &SleepUntil};
}

bool PeriodicTimer::PrepareTimerThread() noexcept {
    // The default 50 us slack is added to every wake-up; one nanosecond asks for none.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sched_param param{};
    param.sched_priority = kRealtimePriority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

void PeriodicTimer::EndTimerThread() noexcept {}

}  // namespace tarvel

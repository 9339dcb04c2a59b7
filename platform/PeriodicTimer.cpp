#include "platform/PeriodicTimer.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

#include <cerrno>
#include <ctime>
#include <system_error>

namespace tarvel {
namespace {

// Above every ordinary thread, below the audio servers' own threads.
constexpr int kRealtimePriority = 20;

timespec ToTimespec(std::int64_t ns) {
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

std::int64_t PeriodicTimer::MonotonicNowNs() noexcept {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

bool PeriodicTimer::Start(std::int64_t periodNs, Callback callback, void* context) noexcept {
    if (IsRunning() || periodNs <= 0 || !callback) return false;
    stopRequested_.store(false);
    try {
        thread_ = std::thread(&PeriodicTimer::Run, this, periodNs, callback, context);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PeriodicTimer::Stop() noexcept {
    if (!thread_.joinable()) return;
    stopRequested_.store(true, std::memory_order_release);
    try {
        thread_.join();
    } catch (const std::system_error&) {
        thread_.detach();  // cannot happen for a joinable thread other than our own
    }
}

void PeriodicTimer::Run(std::int64_t periodNs, Callback callback, void* context) noexcept {
    // The default 50 us slack is added to every wake-up; one nanosecond asks for none.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sched_param param{};
    param.sched_priority = kRealtimePriority;
    realtime_.store(pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0,
                    std::memory_order_relaxed);

    std::int64_t deadline = MonotonicNowNs() + periodNs;
    while (!stopRequested_.load(std::memory_order_acquire)) {
        const timespec due = ToTimespec(deadline);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
        }
        if (stopRequested_.load(std::memory_order_acquire)) break;
        const std::int64_t late = MonotonicNowNs() - deadline;
        if (late > kStallLimitNs) {
            skippedCalls_.fetch_add(late / periodNs, std::memory_order_relaxed);
            deadline += late;
        }
        callback(context, deadline);
        deadline += periodNs;
    }
}

}  // namespace tarvel

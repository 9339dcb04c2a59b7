#include "platform/PeriodicTimer.h"

#include <system_error>

namespace tarvel {

bool PeriodicTimer::Start(std::int64_t periodNs, Callback callback, void* context,
                          FailureCallback onFailure) noexcept {
    if (IsRunning() || periodNs <= 0 || !callback) return false;
    stopRequested_.store(false);
    failure_.store(nullptr);
    try {
        thread_ = std::thread(&PeriodicTimer::Run, this, periodNs, callback, context, onFailure);
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
    failure_.store(nullptr);
}

void PeriodicTimer::Run(std::int64_t periodNs, Callback callback, void* context,
                        FailureCallback onFailure) noexcept {
    realtime_.store(PrepareTimerThread(), std::memory_order_relaxed);

    std::int64_t deadline = calls_.now() + periodNs;
    while (!stopRequested_.load(std::memory_order_acquire)) {
        if (const char* why = calls_.sleepUntil(deadline)) {
            EndTimerThread();
            failure_.store(why, std::memory_order_release);
            if (onFailure) onFailure(context);
            return;
        }
        if (stopRequested_.load(std::memory_order_acquire)) break;
        const std::int64_t late = calls_.now() - deadline;
        if (late > kStallLimitNs) {
            skippedCalls_.fetch_add(late / periodNs, std::memory_order_relaxed);
            deadline += late;
        }
        callback(context, deadline);
        deadline += periodNs;
    }
    EndTimerThread();
}

}  // namespace tarvel

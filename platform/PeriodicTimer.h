// A thread that calls one plain function at a fixed period: the player's 2 ms clock.
//
// Deadlines are absolute (start + n x period), so a call that comes late is caught up by the
// following ones and the number of calls keeps wall-clock time. After a stall longer than
// kStallLimitNs (a suspended machine, a debugger) the timer counts afresh from the moment it
// woke instead of firing every missed call in one burst.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace tarvel {

class PeriodicTimer {
  public:
    // Runs on the timer thread. `deadlineNs` is the CLOCK_MONOTONIC time this call was due.
    using Callback = void (*)(void* context, std::int64_t deadlineNs);

    static constexpr std::int64_t kStallLimitNs = 100'000'000;

    PeriodicTimer() = default;
    ~PeriodicTimer() { Stop(); }
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Starts the thread. False when it could not be made, or when the timer already runs.
    bool Start(std::int64_t periodNs, Callback callback, void* context) noexcept;

    // Returns once the thread has ended; a call in progress finishes first. Must not be called
    // from the callback, nor while holding a lock the callback takes.
    void Stop() noexcept;

    bool IsRunning() const noexcept { return thread_.joinable(); }

    // Whether the thread got real-time (SCHED_FIFO) priority; known once the first call ran.
    bool IsRealtime() const noexcept { return realtime_.load(std::memory_order_relaxed); }

    // Calls dropped by resynchronising after stalls.
    std::int64_t SkippedCalls() const noexcept {
        return skippedCalls_.load(std::memory_order_relaxed);
    }

    static std::int64_t MonotonicNowNs() noexcept;

  private:
    void Run(std::int64_t periodNs, Callback callback, void* context) noexcept;

    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> realtime_{false};
    std::atomic<std::int64_t> skippedCalls_{0};
};

}  // namespace tarvel

// A thread that calls one plain function at a fixed period: the player's 2 ms clock.
//
// Deadlines are absolute (start + n x period), so a call that comes late is caught up by the
// following ones and the number of calls keeps wall-clock time. After a stall longer than
// kStallLimitNs (a suspended machine, a debugger) the timer counts afresh from the moment it
// woke instead of firing every missed call in one burst. A sleep that fails stops the timer with
// the reason: going on without sleeping would play a song thousands of times too fast.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace tarvel {

// The system calls the timer goes through; tests swap in a sleep that fails.
struct ClockCalls {
    std::int64_t (*now)() noexcept;  // the monotonic clock, in nanoseconds
    // Sleeps until `deadlineNs` on that clock (an interruption is retried inside). Nothing when
    // it slept; otherwise why not, as a fixed text.
    const char* (*sleepUntil)(std::int64_t deadlineNs) noexcept;
};
ClockCalls SystemClockCalls();

class PeriodicTimer {
  public:
    // Runs on the timer thread. `deadlineNs` is the monotonic time this call was due.
    using Callback = void (*)(void* context, std::int64_t deadlineNs);
    // Runs on the timer thread once, as its last act, when a sleep failed; FailureReason says
    // why. Must not block: it may only hand the news on (raise a signal, wake a window).
    using FailureCallback = void (*)(void* context) noexcept;

    static constexpr std::int64_t kStallLimitNs = 100'000'000;

    explicit PeriodicTimer(const ClockCalls& calls = SystemClockCalls()) : calls_(calls) {}
    ~PeriodicTimer() { Stop(); }
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Starts the thread. False when it could not be made, or when the timer already runs.
    bool Start(std::int64_t periodNs, Callback callback, void* context,
               FailureCallback onFailure = nullptr) noexcept;

    // Returns once the thread has ended; a call in progress finishes first. Must not be called
    // from the callback, nor while holding a lock the callback takes.
    void Stop() noexcept;

    // True from Start until Stop, also once a failure ended the thread.
    bool IsRunning() const noexcept { return thread_.joinable(); }

    // Any thread: why the timer stopped by itself, or nothing while it has not. Stop and a new
    // Start clear it.
    const char* FailureReason() const noexcept { return failure_.load(std::memory_order_acquire); }

    // Whether the thread got real-time priority (SCHED_FIFO; on Windows a time-critical thread
    // or MMCSS "Pro Audio"); known once the first call ran.
    bool IsRealtime() const noexcept { return realtime_.load(std::memory_order_relaxed); }

    // Calls dropped by resynchronising after stalls.
    std::int64_t SkippedCalls() const noexcept {
        return skippedCalls_.load(std::memory_order_relaxed);
    }

    static std::int64_t MonotonicNowNs() noexcept;

  private:
    void Run(std::int64_t periodNs, Callback callback, void* context,
             FailureCallback onFailure) noexcept;

    // Timer thread, first thing: the platform's priority and timer resolution. Returns whether
    // the thread runs at real-time priority. EndTimerThread, its last thing, gives back what
    // Prepare took.
    static bool PrepareTimerThread() noexcept;
    static void EndTimerThread() noexcept;

    ClockCalls calls_;
    std::thread thread_;
    std::atomic<const char*> failure_{nullptr};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> realtime_{false};
    std::atomic<std::int64_t> skippedCalls_{0};
};

}  // namespace tarvel

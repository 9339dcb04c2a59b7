// The one lock between the window thread and the 2 ms timer thread. A tick holds it for the
// tick, a window-thread edit or send for that edit only. It knows its owner so that operations
// which rely on it being held can say so in an assertion, and a tool can watch how long one
// thread holds it.
//
// Where the system offers it, the lock inherits priority: the clock runs at real-time priority
// and the window thread does not, so without it a window hold could be preempted by any other
// program while the clock waits behind it.
#pragma once

#include <atomic>
#include <cassert>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <thread>

#if __has_include(<pthread.h>)
#include <pthread.h>
#endif

namespace tarvel {

// The longest hold of one thread, for tools that check that the window never keeps the clock
// waiting: as wall time, and as the thread's own processor time (what the hold itself cost,
// without the time other programs had the processor meanwhile). Written by the watched thread,
// read by any.
struct HoldWatch {
    std::thread::id thread;
    std::atomic<std::int64_t> longestNs{0};
    std::atomic<std::int64_t> longestCpuNs{0};
    std::atomic<std::int64_t> holds{0};
    std::atomic<std::int64_t> overBudget{0};  // holds whose own time passed kWindowHoldBudgetNs
};

// The longest a window-thread hold may cost in its own processor time.
inline constexpr std::int64_t kWindowHoldBudgetNs = 100'000;

// The bare lock: priority inheritance where POSIX has it, a plain mutex elsewhere.
class InheritingMutex {
  public:
    InheritingMutex(const InheritingMutex&) = delete;
    InheritingMutex& operator=(const InheritingMutex&) = delete;
#if __has_include(<pthread.h>) && defined(_POSIX_THREAD_PRIO_INHERIT)
    InheritingMutex() {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
        pthread_mutex_init(&mutex_, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    ~InheritingMutex() {
        pthread_mutex_destroy(&mutex_);
    }
    void lock() {
        pthread_mutex_lock(&mutex_);
    }
    bool try_lock() {
        return pthread_mutex_trylock(&mutex_) == 0;
    }
    void unlock() {
        pthread_mutex_unlock(&mutex_);
    }

  private:
    pthread_mutex_t mutex_;
#else
    InheritingMutex() = default;
    void lock() {
        mutex_.lock();
    }
    bool try_lock() {
        return mutex_.try_lock();
    }
    void unlock() {
        mutex_.unlock();
    }

  private:
    std::mutex mutex_;
#endif
};

class DocumentMutex {
  public:
    void lock() {
        mutex_.lock();
        Acquired();
    }
    bool try_lock() {
        if (!mutex_.try_lock()) return false;
        Acquired();
        return true;
    }
    void unlock() {
        if (HoldWatch* watch = watch_.load(std::memory_order_relaxed);
            watch && watch->thread == std::this_thread::get_id()) {
            const std::int64_t held = NowNs() - lockedAtNs_;
            if (held > watch->longestNs.load(std::memory_order_relaxed))
                watch->longestNs.store(held, std::memory_order_relaxed);
            const std::int64_t cost = ThreadCpuNs() - lockedAtCpuNs_;
            if (cost > watch->longestCpuNs.load(std::memory_order_relaxed))
                watch->longestCpuNs.store(cost, std::memory_order_relaxed);
            if (cost > kWindowHoldBudgetNs)
                watch->overBudget.fetch_add(1, std::memory_order_relaxed);
            watch->holds.fetch_add(1, std::memory_order_relaxed);
        }
        owner_.store(std::thread::id(), std::memory_order_relaxed);
        mutex_.unlock();
    }
    bool HeldByThisThread() const {
        return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }
    // Any thread; nullptr stops watching. The watch must outlive the holds it measures.
    void Watch(HoldWatch* watch) { watch_.store(watch, std::memory_order_relaxed); }

  private:
    static std::int64_t NowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    static std::int64_t ThreadCpuNs() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
#else
        return NowNs();
#endif
    }
    void Acquired() {
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        if (watch_.load(std::memory_order_relaxed)) {
            lockedAtNs_ = NowNs();
            lockedAtCpuNs_ = ThreadCpuNs();
        }
    }

    InheritingMutex mutex_;
    std::atomic<std::thread::id> owner_{};
    std::atomic<HoldWatch*> watch_{nullptr};
    std::int64_t lockedAtNs_ = 0;  // the holder's own
    std::int64_t lockedAtCpuNs_ = 0;
};

// Copies or compares a large block, shared under `mutex`, in pieces that each take the lock on
// their own, so that no hold keeps the timer thread waiting for long. Only for blocks that the
// other threads write no more than a field at a time (the window thread, which calls these, is
// the only editor). The caller must not hold the lock.
// A piece is about 2 to 5 us of copying, far below a window hold's budget.
inline constexpr std::size_t kShortHoldPieceBytes = 32 * 1024;
void CopyInShortHolds(DocumentMutex& mutex, void* to, const void* from, std::size_t size);
bool EqualInShortHolds(DocumentMutex& mutex, const void* a, const void* b, std::size_t size);

}  // namespace tarvel

#define TARVEL_ASSERT_LOCKED(doc) assert((doc).mutex.HeldByThisThread())

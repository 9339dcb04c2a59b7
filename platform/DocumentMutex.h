// The one lock between the window thread and the 2 ms timer thread. A tick holds it for the
// tick, a window-thread edit or send for that edit only. It knows its owner so that operations
// which rely on it being held can say so in an assertion, and a tool can watch how long one
// thread holds it.
#pragma once

#include <atomic>
#include <cassert>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tarvel {

// The longest hold of one thread, for tools that check that the window never keeps the clock
// waiting. Written by the watched thread, read by any.
struct HoldWatch {
    std::thread::id thread;
    std::atomic<std::int64_t> longestNs{0};
    std::atomic<std::int64_t> holds{0};
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
    void Acquired() {
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        if (watch_.load(std::memory_order_relaxed)) lockedAtNs_ = NowNs();
    }

    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    std::atomic<HoldWatch*> watch_{nullptr};
    std::int64_t lockedAtNs_ = 0;  // the holder's own
};

// Copies or compares a large block, shared under `mutex`, in pieces that each take the lock on
// their own, so that no hold keeps the timer thread waiting for long. Only for blocks that the
// other threads write no more than a field at a time (the window thread, which calls these, is
// the only editor). The caller must not hold the lock.
void CopyInShortHolds(DocumentMutex& mutex, void* to, const void* from, std::size_t size);
bool EqualInShortHolds(DocumentMutex& mutex, const void* a, const void* b, std::size_t size);

}  // namespace tarvel

#define TARVEL_ASSERT_LOCKED(doc) assert((doc).mutex.HeldByThisThread())

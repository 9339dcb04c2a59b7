// The one lock between the window thread and the 2 ms timer thread. A tick holds it for the
// tick, a window-thread edit or send for that edit only. It knows its owner so that operations
// which rely on it being held can say so in an assertion.
#pragma once

#include <atomic>
#include <cassert>
#include <mutex>
#include <thread>

namespace tarvel {

class DocumentMutex {
  public:
    void lock() {
        mutex_.lock();
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }
    bool try_lock() {
        if (!mutex_.try_lock()) return false;
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        return true;
    }
    void unlock() {
        owner_.store(std::thread::id(), std::memory_order_relaxed);
        mutex_.unlock();
    }
    bool HeldByThisThread() const {
        return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

  private:
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
};

}  // namespace tarvel

#define TARVEL_ASSERT_LOCKED(doc) assert((doc).mutex.HeldByThisThread())

// What the engine and the editor want the window to do, recorded as bits and done later on the
// window thread. Raising a signal never allocates or waits, so the timer thread may raise one.
#pragma once

#include <atomic>

namespace tarvel {

enum UiSignal : unsigned {
    kRepaintView = 1u << 0,
    kShowBpm = 1u << 1,
    kSelectProgram = 1u << 2,
    kRefreshPanel = 1u << 3,
    kClockStopped = 1u << 4,     // the player's clock failed and stopped
    kLaunchesStarted = 1u << 5,  // launched patterns started, to be written into the grid
};

// Whatever runs the window: asked to come back and take the raised signals.
class WindowWaker {
  public:
    // Any thread, including the timer thread. Must not allocate, block or touch a window.
    virtual void WakeWindowThread() noexcept = 0;

  protected:
    ~WindowWaker() = default;
};

class UiSignals {
  public:
    explicit UiSignals(WindowWaker& waker) : waker_(waker) {}

    // Any thread. Wakes the window only when a signal is new: one already pending has its
    // wake-up on the way.
    void Raise(unsigned raised) noexcept {
        if ((bits_.fetch_or(raised) & raised) != raised) waker_.WakeWindowThread();
    }
    // Window thread: the signals raised since the last call.
    unsigned Take() noexcept { return bits_.exchange(0); }

  private:
    std::atomic<unsigned> bits_{0};
    WindowWaker& waker_;
};

}  // namespace tarvel

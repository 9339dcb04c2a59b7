// Ending the program by a signal (SIGTERM from a session manager or `kill`, SIGINT from the
// terminal, SIGHUP when the terminal goes) the way a clean quit would: the handler only wakes the
// window thread, which does the work. Window thread, except the handler itself. POSIX only:
// Windows ends a program without a signal of this kind.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tarvel {

class TerminationSignals {
  public:
    // From now on the signals call `onSignal` on the window thread instead of ending the program.
    // Without a way to wake the window thread the default handling stays.
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();  // the default handling back
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    std::function<void()> onSignal_;
    int readFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tarvel

#include "app/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace tarvel {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the socket the handler wakes the window thread through. A signal handler gets
// no context, so this is the one value kept outside an object; set before the handlers go in.
int wakeFd = -1;

void RestoreDefaultHandling() {
    for (const int signal : kSignals) ::signal(signal, SIG_DFL);
}

// Any thread. Puts the default handling back at once, so a second signal ends the program even
// when the window thread hangs.
void WakeWindowThread(int) {
    RestoreDefaultHandling();  // signal() is async-signal-safe
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakeFd, &byte, 1);  // full: already woken
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    fcntl(fds[1], F_SETFL, O_NONBLOCK);  // the handler never blocks
    readFd_ = fds[0];
    wakeFd = fds[1];
    notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        [[maybe_unused]] const ssize_t read = ::read(readFd_, bytes, sizeof bytes);
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = WakeWindowThread;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (readFd_ < 0) return;
    RestoreDefaultHandling();
    notifier_.reset();
    close(readFd_);
    close(wakeFd);
    wakeFd = -1;
}

}  // namespace tarvel

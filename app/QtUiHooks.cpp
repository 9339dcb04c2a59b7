#include "app/QtUiHooks.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QStatusBar>
#include <cstdint>

#if defined(__linux__)
#include <sys/eventfd.h>
#endif

#include "app/ControlPanel.h"
#include "app/FennoralView.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

constexpr int kStatusTextMs = 10'000;  // then the bar's usual prompt comes back

}  // namespace

QtUiHooks::QtUiHooks(WindowServices& services) : services_(services) {
#if defined(__linux__)
    readFd_ = writeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
#else
    int fds[2];
    if (pipe(fds) == 0) {
        for (int fd : fds) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        readFd_ = fds[0];
        writeFd_ = fds[1];
    }
#endif
    if (readFd_ >= 0) {
        notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &QtUiHooks::OnWake);
    }
}

QtUiHooks::~QtUiHooks() {
    delete notifier_;
    if (readFd_ >= 0) close(readFd_);
    if (writeFd_ >= 0 && writeFd_ != readFd_) close(writeFd_);
}

void QtUiHooks::WakeWindowThread() noexcept {
    // A full pipe or a saturated counter already means a wake-up is pending.
#if defined(__linux__)
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(writeFd_, &one, sizeof one);
#else
    const char one = 1;
    [[maybe_unused]] ssize_t written = write(writeFd_, &one, sizeof one);
#endif
}

void QtUiHooks::OnWake() {
    char drain[64];
    while (read(readFd_, drain, sizeof drain) > 0) {
    }
    if (doc_) doc_->DispatchUiSignals();
}

void QtUiHooks::ShowMessage(const UserMessage& message) {
    services_.ShowMessage(message.ownedByFrame ? frame_ : nullptr, message);
}

void QtUiHooks::InvalidateView() {
    if (frame_) frame_->view().Invalidate();
}

void QtUiHooks::SelectProgram(int program) {
    if (frame_) frame_->panel().SelectProgram(program);
}

void QtUiHooks::ShowBpmText(int bpm) {
    if (frame_) frame_->panel().ShowBpmText(bpm);
}

void QtUiHooks::RefreshPanel() {
    if (frame_) frame_->SelectCurrentChannel();
}

void QtUiHooks::ShowTempoSource(const std::string& label, bool followed, bool typedTempoShared) {
    if (frame_)
        frame_->panel().ShowTempoSource(QString::fromStdString(label), followed, typedTempoShared);
}

void QtUiHooks::ShowStatusText(const std::string& text) {
    if (frame_) frame_->statusBar()->showMessage(QString::fromStdString(text), kStatusTextMs);
}

}  // namespace tarvel

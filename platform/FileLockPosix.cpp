// flock() rather than fcntl() locks: those of one process never conflict with one another, and
// any close of the file, by whatever part of the program, would let them go.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/FileLock.h"

namespace tarvel {

namespace {

std::string Reason(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

// Whether `path` still names the file open as `fd`: its holder may have removed it, and someone
// else made a new one, while this waited for the lock.
bool StillNamed(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace

bool FileLock::held() const {
    return fd_ >= 0;
}

FileLock::~FileLock() {
    Release();
}

FileLock::FileLock(FileLock&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

LockAttempt FileLock::Create(const std::string& path, std::string& whyNot) {
    Release();
    // Not inherited: a program started from here (the browser, say) must not keep it alive.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return LockAttempt::Held;
        whyNot = Reason(path, errno);
        return LockAttempt::Failed;
    }
    // Someone sweeping the folder may have opened and locked it in the moment since it was made.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return LockAttempt::Held;
    }
    path_ = path;
    fd_ = fd;
    return LockAttempt::Taken;
}

LockAttempt FileLock::TryTake(const std::string& path, std::string& whyNot) {
    Release();
    // Reading is enough for a lock, and works on another user's file.
    const int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        whyNot = Reason(path, errno);
        return LockAttempt::Failed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) return LockAttempt::Held;
        whyNot = Reason(path, error);
        return LockAttempt::Failed;
    }
    if (!StillNamed(fd, path)) {
        close(fd);
        return LockAttempt::Held;  // taken and let go by another meanwhile
    }
    path_ = path;
    fd_ = fd;
    return LockAttempt::Taken;
}

void FileLock::Release() {
    if (fd_ >= 0) close(fd_);  // the lock goes with the last descriptor of the open file
    fd_ = -1;
}

void FileLock::ReleaseAndRemove() {
    if (held()) unlink(path_.c_str());
    Release();
}

}  // namespace tarvel

// An advisory lock on a file of its own, held while this object has it open. The system lets it
// go when the process ends, however it ends, so a lock that can be taken belongs to no running
// program. Two locks on one file conflict even within one process. On POSIX a flock() on a
// descriptor no child inherits; on Windows the file open with no sharing at all. Window thread.
#pragma once

#include <string>

namespace tarvel {

enum class LockAttempt {
    Taken,   // the lock is this object's now
    Held,    // another holder has it, in this process or another
    Failed,  // the file cannot be opened or made (no folder, no permission)
};

class FileLock {
  public:
    FileLock() = default;
    ~FileLock();  // lets go; the file stays
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Makes `path`, which must not exist yet, locked from the moment it does. Held when a file
    // of that name is already there: the name is someone else's.
    LockAttempt Create(const std::string& path, std::string& whyNot);
    // The lock of `path`, made if missing, without waiting for it. A file removed by its holder
    // while this waited to open it is not taken.
    LockAttempt TryTake(const std::string& path, std::string& whyNot);

    bool held() const;
    const std::string& path() const { return path_; }

    void Release();  // the file stays, free for another to take
    // The file goes with the lock. On POSIX it goes while the lock is still held, and a taker
    // that opened it just before finds it gone; on Windows, where an open file cannot be removed,
    // just after, and a taker that opened it in between keeps it until it lets go in turn.
    void ReleaseAndRemove();

  private:
    std::string path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace tarvel

#include "platform/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace tarvel {
namespace {

std::string Reason(const char* step, int error) {
    return std::string(step) + ": " + std::strerror(error);
}

// A link is replaced at its destination, so the link itself survives the save.
std::string ResolveLink(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A fresh file beside `target`, named after it; -1 with errno set when none can be made.
int CreateTemporaryBeside(const std::string& target, std::string& name) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        name = folder + "." + base + "." + std::to_string(getpid()) + "-" +
               std::to_string(stamp + attempt) + ".tmp";
        // 0666 lets the user's umask decide, as for any new file.
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, const FileCalls& calls) {
    while (size > 0) {
        const ssize_t written = calls.write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// After a rename, the folder's entry must reach the disk too; a failure here leaves the new
// file in place, so it is not reported.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// A file its owner made read-only is not replaced, though its folder would allow the rename
// (and root could write it anyway): the user said it is not to change.
bool IsReadOnly(const std::string& target) {
    struct stat info;
    if (stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & 0222) == 0 || (access(target.c_str(), W_OK) != 0 && errno != ENOENT);
}

// A replaced file keeps its owner and group where this process may give them (root may; a user
// may keep a group of theirs), then its permissions, which a change of owner could clear.
void KeepOwnerAndMode(int fd, const std::string& target) {
    struct stat old;
    if (stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;
    const bool ownerKept = fchown(fd, old.st_uid, old.st_gid) == 0;
    if (!ownerKept && fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // not a group of ours either: the new file keeps the user's own
    }
    fchmod(fd, old.st_mode & 07777);
}

}  // namespace

FileCalls SystemFileCalls() {
    return {::write, ::fsync, ::rename};
}

bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& whyNot,
                 const FileCalls& calls) {
    const std::string target = ResolveLink(path);
    if (IsReadOnly(target)) {
        whyNot = "the file is read-only";
        return false;
    }
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0) {
        whyNot = Reason("cannot create a file in its folder", errno);
        return false;
    }
    KeepOwnerAndMode(fd, target);

    const char* failedStep = nullptr;
    if (!WriteAll(fd, bytes.data(), bytes.size(), calls))
        failedStep = "writing failed";
    else if (calls.fsync(fd) != 0)
        failedStep = "flushing to the disk failed";
    int error = errno;
    if (close(fd) != 0 && !failedStep) {
        failedStep = "closing failed";
        error = errno;
    }
    if (!failedStep && calls.rename(temporary.c_str(), target.c_str()) != 0) {
        failedStep = "replacing the old file failed";
        error = errno;
    }
    if (failedStep) {
        unlink(temporary.c_str());
        whyNot = Reason(failedStep, error);
        return false;
    }
    SyncFolderOf(target);
    return true;
}

ReplacementFile::~ReplacementFile() {
    if (!temporary_.empty()) unlink(temporary_.c_str());
}

bool ReplacementFile::Create(const std::string& path, std::string& whyNot) {
    target_ = ResolveLink(path);
    if (IsReadOnly(target_)) {
        whyNot = "the file is read-only";
        return false;
    }
    const int fd = CreateTemporaryBeside(target_, temporary_);
    if (fd < 0) {
        temporary_.clear();
        whyNot = Reason("cannot create a file in its folder", errno);
        return false;
    }
    KeepOwnerAndMode(fd, target_);
    close(fd);
    return true;
}

bool ReplacementFile::Commit(std::string& whyNot) {
    const int fd = open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    const char* failedStep = nullptr;
    if (fd < 0)
        failedStep = "the written file is gone";
    else if (fsync(fd) != 0)
        failedStep = "flushing to the disk failed";
    int error = errno;
    if (fd >= 0) close(fd);
    if (!failedStep && rename(temporary_.c_str(), target_.c_str()) != 0) {
        failedStep = "replacing the old file failed";
        error = errno;
    }
    if (failedStep) {
        whyNot = Reason(failedStep, error);
        return false;
    }
    temporary_.clear();
    SyncFolderOf(target_);
    return true;
}

bool ReadFilePrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out,
                    std::string& whyNot) {
    out.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        whyNot = Reason("cannot open", errno);
        return false;
    }
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        whyNot = Reason("cannot read", EISDIR);
        return false;
    }
    constexpr std::size_t kChunk = 1 << 16;
    bool ok = true;
    while (out.size() < limit) {
        const std::size_t before = out.size();
        const std::size_t want = std::min(kChunk, limit - before);
        out.resize(before + want);
        const ssize_t got = read(fd, out.data() + before, want);
        if (got < 0 && errno == EINTR) {
            out.resize(before);
            continue;
        }
        if (got <= 0) {
            out.resize(before);
            if (got < 0) {
                whyNot = Reason("cannot read", errno);
                ok = false;
            }
            break;
        }
        out.resize(before + static_cast<std::size_t>(got));
    }
    close(fd);
    if (!ok) out.clear();
    return ok;
}

}  // namespace tarvel

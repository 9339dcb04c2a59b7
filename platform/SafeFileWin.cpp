// Safe files on Windows: names in UTF-8 opened as UTF-16, binary writes, FlushFileBuffers, and
// ReplaceFileW (which keeps the old file's attributes) or, for a new file, MoveFileExW with
// write-through. Either '\' or '/' ends a folder name.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// windows.h makes "ReplaceFile" a name for its own ReplaceFileA; ours is another function.
#undef ReplaceFile

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "platform/SafeFile.h"
#include "platform/WindowsText.h"

namespace tarvel {
namespace {

// Windows' errors in the C library's terms, so that every platform reports them alike.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_USER_MAPPED_FILE:
            return EBUSY;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_INVALID_NAME:
        case ERROR_DIRECTORY:
        case ERROR_NO_UNICODE_TRANSLATION:
            return EINVAL;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        default:
            return EIO;
    }
}

int FailWith(DWORD error) {
    errno = ErrnoOf(error);
    return -1;
}

// The C library's words, as on Linux, except where Windows refuses what Linux allows.
std::string Reason(const char* step, int error) {
    const char* what = error == EACCES   ? "access denied (the file may be read-only)"
                       : error == EBUSY  ? "the file is in use by another program"
                       : error == EINVAL ? "not a valid file name"
                                         : std::strerror(error);
    return std::string(step) + ": " + what;
}

std::size_t FolderEnd(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? 0 : slash + 1;
}

HANDLE OpenWide(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    std::wstring wide;
    if (!ToUtf16(path, wide)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// A fresh file beside `target`, named after it, as a binary C descriptor; -1 with errno set when
// none can be made.
int CreateTemporaryBeside(const std::string& target, std::string& name) {
    const std::size_t end = FolderEnd(target);
    const std::string folder = target.substr(0, end);
    const std::string base = target.substr(end);
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        name = folder + "." + base + "." + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(stamp + attempt) + ".tmp";
        const HANDLE file = OpenWide(name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return FailWith(error);
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        if (fd < 0) CloseHandle(file);
        return fd;
    }
    errno = EEXIST;
    return -1;
}

void RemoveFile(const std::string& path) {
    std::wstring wide;
    if (ToUtf16(path, wide)) DeleteFileW(wide.c_str());
}

ssize_t WriteFd(int fd, const void* data, std::size_t size) {
    return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

int FlushFd(int fd) {
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (file == INVALID_HANDLE_VALUE) return FailWith(ERROR_INVALID_HANDLE);
    return FlushFileBuffers(file) ? 0 : FailWith(GetLastError());
}

// Puts `from` in the place of `to`. An old file is replaced by ReplaceFileW, which keeps its
// attributes and refuses a read-only or open file; should the new file then fail to take its
// name, the old one comes back from the backup.
int ReplaceByName(const char* from, const char* to) {
    std::wstring source;
    std::wstring target;
    if (!ToUtf16(from, source) || !ToUtf16(to, target))
        return FailWith(ERROR_NO_UNICODE_TRANSLATION);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (MoveFileExW(source.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        return FailWith(GetLastError());
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FailWith(ERROR_ACCESS_DENIED);
    const std::wstring backup = source + L".old";
    if (ReplaceFileW(target.c_str(), source.c_str(), backup.c_str(), REPLACEFILE_WRITE_THROUGH,
                     nullptr, nullptr)) {
        DeleteFileW(backup.c_str());
        // Not every ReplaceFileW carries the attributes over (Wine's does not); a hidden song
        // stays hidden.
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        const DWORD now = GetFileAttributesW(target.c_str());
        if (now != INVALID_FILE_ATTRIBUTES && (now & kKept) != (attributes & kKept)) {
            const DWORD wanted = (now & ~(kKept | FILE_ATTRIBUTE_NORMAL)) | (attributes & kKept);
            SetFileAttributesW(target.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL);
        }
        return 0;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    DeleteFileW(backup.c_str());
    return FailWith(error);
}

}  // namespace

FileCalls SystemFileCalls() {
    return {WriteFd, FlushFd, ReplaceByName};
}

bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& whyNot,
                 const FileCalls& calls) {
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, temporary);
    if (fd < 0) {
        whyNot = Reason("cannot create a file in its folder", errno);
        return false;
    }
    const char* failedStep = nullptr;
    const std::uint8_t* data = bytes.data();
    for (std::size_t left = bytes.size(); left > 0 && !failedStep;) {
        const ssize_t written = calls.write(fd, data, left);
        if (written <= 0) {
            if (written == 0) errno = EIO;
            failedStep = "writing failed";
            break;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (!failedStep && calls.fsync(fd) != 0) failedStep = "flushing to the disk failed";
    int error = errno;
    if (_close(fd) != 0 && !failedStep) {
        failedStep = "closing failed";
        error = errno;
    }
    if (!failedStep && calls.rename(temporary.c_str(), path.c_str()) != 0) {
        failedStep = "replacing the old file failed";
        error = errno;
    }
    if (failedStep) {
        RemoveFile(temporary);
        whyNot = Reason(failedStep, error);
        return false;
    }
    return true;
}

ReplacementFile::~ReplacementFile() {
    if (!temporary_.empty()) RemoveFile(temporary_);
}

bool ReplacementFile::Create(const std::string& path, std::string& whyNot) {
    target_ = path;
    const int fd = CreateTemporaryBeside(target_, temporary_);
    if (fd < 0) {
        temporary_.clear();
        whyNot = Reason("cannot create a file in its folder", errno);
        return false;
    }
    _close(fd);
    return true;
}

bool ReplacementFile::Commit(std::string& whyNot) {
    const HANDLE file =
        OpenWide(temporary_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    const char* failedStep = nullptr;
    int error = 0;
    if (file == INVALID_HANDLE_VALUE) {
        failedStep = "the written file is gone";
        error = ErrnoOf(GetLastError());
    } else if (!FlushFileBuffers(file)) {
        failedStep = "flushing to the disk failed";
        error = ErrnoOf(GetLastError());
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!failedStep && ReplaceByName(temporary_.c_str(), target_.c_str()) != 0) {
        failedStep = "replacing the old file failed";
        error = errno;
    }
    if (failedStep) {
        whyNot = Reason(failedStep, error);
        return false;
    }
    temporary_.clear();
    return true;
}

bool ReadFilePrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out,
                    std::string& whyNot) {
    out.clear();
    std::wstring wide;
    const DWORD attributes =
        ToUtf16(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        whyNot = Reason("cannot read", EISDIR);
        return false;
    }
    // Others may go on reading, writing or renaming it: a song open in an editor still loads.
    const HANDLE file = OpenWide(
        path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        whyNot = Reason("cannot open", ErrnoOf(GetLastError()));
        return false;
    }
    constexpr std::size_t kChunk = 1 << 16;
    bool ok = true;
    while (out.size() < limit) {
        const std::size_t before = out.size();
        const std::size_t want = std::min(kChunk, limit - before);
        out.resize(before + want);
        DWORD got = 0;
        if (!ReadFile(file, out.data() + before, static_cast<DWORD>(want), &got, nullptr)) {
            whyNot = Reason("cannot read", ErrnoOf(GetLastError()));
            ok = false;
        }
        out.resize(before + got);
        if (!ok || got == 0) break;
    }
    CloseHandle(file);
    if (!ok) out.clear();
    return ok;
}

}  // namespace tarvel

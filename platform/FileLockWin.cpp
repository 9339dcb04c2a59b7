// The lock is the file itself, open with no sharing: while the handle is open no one else can
// open the file at all, and Windows closes the handle when the process ends.
#include <windows.h>

#include <utility>

#include "platform/FileLock.h"
#include "platform/WindowsText.h"

namespace tarvel {

namespace {

std::string Reason(const std::string& path, DWORD error) {
    if (error == ERROR_ACCESS_DENIED) return path + ": access denied";
    if (error == ERROR_PATH_NOT_FOUND) return path + ": no such folder";
    return path + ": Windows error " + std::to_string(error);
}

// Not inheritable (no security attributes), so a program started from here cannot keep it.
HANDLE OpenUnshared(const std::string& path, DWORD access, DWORD disposition) {
    std::wstring wide;
    if (!ToUtf16(path, wide)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(wide.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace

bool FileLock::held() const {
    return handle_ != nullptr;
}

FileLock::~FileLock() {
    Release();
}

FileLock::FileLock(FileLock&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, nullptr)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

LockAttempt FileLock::Create(const std::string& path, std::string& whyNot) {
    Release();
    const HANDLE file = OpenUnshared(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
            error == ERROR_SHARING_VIOLATION)
            return LockAttempt::Held;
        whyNot = Reason(path, error);
        return LockAttempt::Failed;
    }
    path_ = path;
    handle_ = file;
    return LockAttempt::Taken;
}

LockAttempt FileLock::TryTake(const std::string& path, std::string& whyNot) {
    Release();
    const HANDLE file = OpenUnshared(path, GENERIC_READ, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) return LockAttempt::Held;
        whyNot = Reason(path, error);
        return LockAttempt::Failed;
    }
    path_ = path;
    handle_ = file;
    return LockAttempt::Taken;
}

void FileLock::Release() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

void FileLock::ReleaseAndRemove() {
    const bool wasHeld = held();
    Release();
    // Should another open it first, the removal fails and the file stays, harmless.
    std::wstring wide;
    if (wasHeld && ToUtf16(path_, wide)) DeleteFileW(wide.c_str());
}

}  // namespace tarvel

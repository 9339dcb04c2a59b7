#include "document/SongRecovery.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>

#include "document/FennoralDoc.h"
#include "platform/SafeFile.h"

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPathLimit = 4096;
constexpr int kNameAttempts = 16;

// The process id of a set's name, "<digits>" or "<digits>-<hex digits>"; 0 for any other name.
// `locked` tells the second kind, which only this version writes.
int ProcessIdOf(const std::string& name, bool& locked) {
    const char* begin = name.data();
    const char* end = begin + name.size();
    int id = 0;
    const auto [digitsEnd, error] = std::from_chars(begin, end, id);
    if (error != std::errc() || id <= 0) return 0;
    locked = digitsEnd != end;
    if (!locked) return id;
    if (*digitsEnd != '-' || digitsEnd + 1 == end) return 0;
    const bool hex = std::all_of(digitsEnd + 1, end, [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
    return hex ? id : 0;
}

// Random enough that two programs starting in one moment with one process id pick apart.
std::uint64_t RandomNumber() {
    auto number =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        number ^= (std::uint64_t{device()} << 32) ^ device();
    } catch (...) {  // no source of randomness: the clock alone, and a clash tries another name
    }
    return number;
}

std::string Hex(std::uint64_t number) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(number));
    return text;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

}  // namespace

SongRecovery::SongRecovery(std::string folder, int processId)
    : folder_(std::move(folder)), processId_(processId) {}

SongRecovery::~SongRecovery() {
    if (!lock_.held() || Exists()) return;  // a kept song keeps its lock file, let go
    std::error_code error;
    fs::remove(FileOf(name_, ".path"), error);
    lock_.ReleaseAndRemove();
}

std::string SongRecovery::FileOf(const std::string& name, const char* extension) const {
    return (fs::path(folder_) / (name + extension)).string();
}

std::string SongRecovery::SongFile() const {
    return name_.empty() ? std::string() : FileOf(name_, ".trv");
}

bool SongRecovery::TakeName(std::string& whyNot) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = std::to_string(processId_) + "-" + Hex(RandomNumber() + attempt);
        switch (lock_.Create(FileOf(name, ".lock"), whyNot)) {
            case LockAttempt::Taken:
                name_ = name;
                return true;
            case LockAttempt::Held:
                continue;  // another program's name
            case LockAttempt::Failed:
                return false;
        }
    }
    whyNot = "no free name for a recovery file in " + folder_;
    return false;
}

bool SongRecovery::Write(CFennoralDoc& doc, const std::string& songPath, std::string& whyNot) {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        whyNot = error.message();
        return false;
    }
    if (!lock_.held() && !TakeName(whyNot)) return false;
    const std::vector<std::uint8_t> pathBytes(songPath.begin(), songPath.end());
    if (!ReplaceFile(FileOf(name_, ".path"), pathBytes, whyNot)) return false;
    const Fallible<> saved = doc.SaveSong(FileOf(name_, ".trv"));
    if (!saved) whyNot = saved.failure().text;
    return static_cast<bool>(saved);
}

void SongRecovery::Remove() {
    if (name_.empty()) return;
    std::error_code error;
    fs::remove(FileOf(name_, ".trv"), error);
    fs::remove(FileOf(name_, ".path"), error);
}

bool SongRecovery::Exists() const {
    return !name_.empty() && FileExists(FileOf(name_, ".trv"));
}

std::vector<LeftoverRecovery> SongRecovery::FindLeftovers() const {
    std::vector<LeftoverRecovery> found;
    std::set<std::string> songs;
    std::vector<std::string> lockedSets;  // by lock files
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        const fs::path& file = it->path();
        const std::string name = file.stem().string();
        bool locked = false;
        const int processId = ProcessIdOf(name, locked);
        if (name == name_ || processId == 0) continue;
        if (file.extension() == ".lock" && locked) lockedSets.push_back(name);
        if (file.extension() != ".trv") continue;
        songs.insert(name);
        LeftoverRecovery leftover{file.string(), "", processId, FileOf(name, ".path"), FileLock()};
        std::string whyNot;
        if (leftover.lock.TryTake(FileOf(name, ".lock"), whyNot) != LockAttempt::Taken) continue;
        if (!FileExists(leftover.songFile)) {  // discarded by another just now
            leftover.lock.ReleaseAndRemove();
            continue;
        }
        std::vector<std::uint8_t> path;
        if (ReadFilePrefix(leftover.pathFile, kPathLimit, path, whyNot))
            leftover.songPath.assign(path.begin(), path.end());
        found.push_back(std::move(leftover));
    }
    // The lock files of programs that crashed with nothing to recover go.
    for (const std::string& name : lockedSets) {
        if (songs.count(name)) continue;
        FileLock lock;
        std::string whyNot;
        if (lock.TryTake(FileOf(name, ".lock"), whyNot) != LockAttempt::Taken) continue;
        if (FileExists(FileOf(name, ".trv"))) continue;  // written since the folder was read
        fs::remove(FileOf(name, ".path"), error);
        lock.ReleaseAndRemove();
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.processId != b.processId ? a.processId < b.processId : a.songFile < b.songFile;
    });
    return found;
}

void SongRecovery::Discard(LeftoverRecovery& leftover) const {
    std::error_code error;
    fs::remove(leftover.songFile, error);
    fs::remove(leftover.pathFile, error);
    leftover.lock.ReleaseAndRemove();
}

void SongRecovery::SetAside(LeftoverRecovery& leftover) const {
    std::error_code error;
    fs::rename(leftover.songFile, leftover.songFile + ".damaged", error);
    fs::rename(leftover.pathFile, leftover.pathFile + ".damaged", error);
    leftover.lock.ReleaseAndRemove();
}

}  // namespace tarvel

#include "document/SongRecovery.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "document/FennoralDoc.h"
#include "platform/Processes.h"
#include "platform/SafeFile.h"

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPathLimit = 4096;

// The process id of "<digits>.trv"; 0 for any other name.
int ProcessIdOf(const fs::path& file) {
    if (file.extension() != ".trv") return 0;
    const std::string stem = file.stem().string();
    int id = 0;
    const auto [end, error] = std::from_chars(stem.data(), stem.data() + stem.size(), id);
    return error == std::errc() && end == stem.data() + stem.size() && id > 0 ? id : 0;
}

}  // namespace

SongRecovery::SongRecovery(std::string folder, int processId)
    : folder_(std::move(folder)), processId_(processId) {}

std::string SongRecovery::SongFile(int processId) const {
    return (fs::path(folder_) / (std::to_string(processId) + ".trv")).string();
}

std::string SongRecovery::PathFile(int processId) const {
    return (fs::path(folder_) / (std::to_string(processId) + ".path")).string();
}

bool SongRecovery::Write(CFennoralDoc& doc, const std::string& songPath, std::string& whyNot) {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        whyNot = error.message();
        return false;
    }
    const std::vector<std::uint8_t> pathBytes(songPath.begin(), songPath.end());
    return ReplaceFile(PathFile(processId_), pathBytes, whyNot) &&
           doc.WriteSongFile(SongFile(processId_), whyNot);
}

void SongRecovery::Remove() {
    std::error_code error;
    fs::remove(SongFile(processId_), error);
    fs::remove(PathFile(processId_), error);
}

bool SongRecovery::Exists() const {
    std::error_code error;
    return fs::exists(SongFile(processId_), error);
}

std::vector<LeftoverRecovery> SongRecovery::FindLeftovers() const {
    std::vector<LeftoverRecovery> found;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        const int id = ProcessIdOf(it->path());
        if (id == 0 || id == processId_ || ProcessIsRunning(id)) continue;
        LeftoverRecovery leftover{it->path().string(), "", id};
        std::vector<std::uint8_t> path;
        std::string whyNot;
        if (ReadFilePrefix(PathFile(id), kPathLimit, path, whyNot))
            leftover.songPath.assign(path.begin(), path.end());
        found.push_back(std::move(leftover));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.processId < b.processId; });
    return found;
}

void SongRecovery::Discard(const LeftoverRecovery& leftover) const {
    std::error_code error;
    fs::remove(leftover.songFile, error);
    fs::remove(PathFile(leftover.processId), error);
}

void SongRecovery::SetAside(const LeftoverRecovery& leftover) const {
    std::error_code error;
    fs::rename(leftover.songFile, leftover.songFile + ".damaged", error);
    fs::rename(PathFile(leftover.processId), PathFile(leftover.processId) + ".damaged", error);
}

}  // namespace tarvel

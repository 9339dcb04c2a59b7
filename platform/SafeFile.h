// Files written so that a failure at any point keeps the old content, and files read within a
// bound. Window thread; never throws.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvel {

// The system calls a replacement goes through. Tests swap one for a call that fails, which is
// the only dependable way to make a write fail where the tests run as root.
struct FileCalls {
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
};
FileCalls SystemFileCalls();

// Writes `bytes` to a new file in `path`'s folder, flushes it to the disk and only then renames
// it over `path`: afterwards `path` holds either all of its old content or all of `bytes`.
// On failure the temporary file is removed and `whyNot` says what went wrong.
bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& whyNot,
                 const FileCalls& calls = SystemFileCalls());

// A new file that another library writes by its name (the audio file renderer does): made empty
// beside `path`, so that the rename stays within one file system, and renamed over `path` by
// Commit once it is complete. Until then `path` keeps what it held; a file never committed is
// removed when this goes.
class ReplacementFile {
  public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool Create(const std::string& path, std::string& whyNot);
    const std::string& TemporaryPath() const { return temporary_; }
    // Flushes the written file to the disk, then renames it over `path`.
    bool Commit(std::string& whyNot);

  private:
    std::string target_;
    std::string temporary_;  // empty once committed or removed
};

// Reads the first `limit` bytes of a file (all of it when it is shorter).
bool ReadFilePrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out,
                    std::string& whyNot);

}  // namespace tarvel

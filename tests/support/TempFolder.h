// A fresh folder for a test's files, removed with everything in it when the test ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvel::testing {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> Names() const;  // sorted file names in the folder, in UTF-8

  private:
    std::filesystem::path path_;
};

// Paths in UTF-8.
std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tarvel::testing

#include "support/TempFolder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace tarvel::testing {

// A new folder of its own under the system's temporary folder (as mkdtemp makes, which Windows
// lacks): a name that already exists is never taken over.
TempFolder::TempFolder() {
    std::error_code error;
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::filesystem::path folder = std::filesystem::temp_directory_path(error) /
                                             ("tarvel-test-" + std::to_string(random()));
        if (!error && std::filesystem::create_directory(folder, error)) path_ = folder;
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        const std::u8string name = entry.path().filename().u8string();  // whatever the code page
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tarvel::testing

#include "platform/HelpFile.h"

#include <cstdio>
#include <memory>

namespace tarvel {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// One piece as a text-mode read of at most 255 characters gives it: "\r\n" counts as a single
// line break. False at the end of the file with nothing read, or on a read error.
bool ReadPiece(std::FILE* file, std::string& piece) {
    piece.clear();
    bool readAny = false;
    while (piece.size() < kHelpPieceLength) {
        int c = std::getc(file);
        if (c == EOF) break;
        readAny = true;
        if (c == '\r') {
            int next = std::getc(file);
            if (next == '\n') return true;
            if (next != EOF) std::ungetc(next, file);
        }
        if (c == '\n') return true;
        piece.push_back(static_cast<char>(c));
    }
    return readAny && !std::ferror(file);
}

}  // namespace

bool ReadHelpEntries(const std::string& path, std::vector<std::string>& entries) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::string piece;
    while (ReadPiece(file.get(), piece)) entries.push_back(piece);
    return true;
}

std::vector<std::string> LoadHelpEntries(const std::vector<std::string>& folders) {
    std::vector<std::string> entries;
    for (const std::string& folder : folders) {
        std::string path = folder.empty() ? kHelpFileName : folder + "/" + kHelpFileName;
        if (ReadHelpEntries(path, entries)) return entries;
    }
    return {kHelpNotFound};
}

}  // namespace tarvel

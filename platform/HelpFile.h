// The manual, "readme.txt", as the help viewer lists it: one entry per piece of at most 255
// characters, so a longer line becomes several entries. The viewer finds its sections by entry
// number, not by searching the text.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tarvel {

inline constexpr const char* kHelpFileName = "readme.txt";
inline constexpr const char* kHelpNotFound = "Help file 'readme.txt' not found.";
inline constexpr std::size_t kHelpPieceLength = 255;

// First entries of "Overview", "Programming patterns and MIDI reference", "Keyboard shortcuts"
// and "History".
inline constexpr std::array<int, 4> kHelpSectionEntries = {0, 67, 220, 250};

// Any thread. Reads the file at `path` into `entries` (appending). A line break ("\n" or
// "\r\n") ends a piece and is dropped; a piece of 255 characters ends without one. A read error
// keeps what was read. False when the file cannot be opened.
bool ReadHelpEntries(const std::string& path, std::vector<std::string>& entries);

// Any thread. The entries of the first folder, in order, that holds a readable "readme.txt";
// if none does, the single not-found entry.
std::vector<std::string> LoadHelpEntries(const std::vector<std::string>& folders);

}  // namespace tarvel

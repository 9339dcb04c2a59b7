// The texts of the editor display: note names, cell and slot texts, and the small number
// writers the display model uses instead of printf, which would cost most of a repaint.
#pragma once

#include <array>
#include <cstdint>

#include "song/Song.h"

namespace tarvel {

// "---" for no note, "off" for a note off, otherwise the note's name and the character
// '0' + note / 12 (notes 120..127 show ':'). A byte 128..253 is no note the keys can enter
// (a damaged song, or a transposed one): it shows as '?' and its two hexadecimal digits.
std::array<char, 4> NoteName(std::uint8_t note);

// Each writer puts its characters at `out`, adds a NUL and returns the position of the NUL.
char* WriteHex2(char* out, std::uint8_t value);                  // "%.2X"
char* WriteDecimal(char* out, long long value, int minDigits);   // "%.Nd"
char* WriteBounded(char* out, const char* text, int maxLength);  // "%.Ns"

// "%.3s %s %s%.2X": note, velocity or "..", command or "..", parameter; 11 characters.
char* WriteCellText(char* out, const PatternCell& cell);

}  // namespace tarvel

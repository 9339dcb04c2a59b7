#include "editor/CellText.h"

namespace tarvel {

namespace {

constexpr char kNoteLetters[] = "C-C#D-D#E-F-F#G-G#A-A#B-";
constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::array<char, 4> NoteName(std::uint8_t note) {
    if (note == kNoNote) return {'-', '-', '-', '\0'};
    if (note == kNoteOff) return {'o', 'f', 'f', '\0'};
    if (note >= 128) return {'?', kHexDigits[note >> 4], kHexDigits[note & 0x0F], '\0'};
    const int name = (note % 12) * 2;
    return {kNoteLetters[name], kNoteLetters[name + 1], static_cast<char>('0' + note / 12), '\0'};
}

char* WriteHex2(char* out, std::uint8_t value) {
    *out++ = kHexDigits[value >> 4];
    *out++ = kHexDigits[value & 0x0F];
    *out = '\0';
    return out;
}

char* WriteDecimal(char* out, long long value, int minDigits) {
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    if (value < 0) *out++ = '-';
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (int pad = count; pad < minDigits; ++pad) *out++ = '0';
    while (count > 0) *out++ = digits[--count];
    *out = '\0';
    return out;
}

char* WriteBounded(char* out, const char* text, int maxLength) {
    for (int i = 0; i < maxLength && text[i] != '\0'; ++i) *out++ = text[i];
    *out = '\0';
    return out;
}

char* WriteCellText(char* out, const PatternCell& cell) {
    const std::array<char, 4> note = NoteName(cell.note);
    out = WriteBounded(out, note.data(), 3);
    *out++ = ' ';
    if (cell.velocity == kDefaultVelocity) {
        *out++ = '.';
        *out++ = '.';
    } else {
        out = WriteHex2(out, cell.velocity);
    }
    *out++ = ' ';
    if (cell.command == kNoCommand) {
        *out++ = '.';
        *out++ = '.';
    } else {
        out = WriteHex2(out, cell.command);
    }
    return WriteHex2(out, cell.parameter);
}

}  // namespace tarvel

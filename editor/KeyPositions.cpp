#include "editor/KeyPositions.h"

namespace tarvel {

namespace {

// The US layout along the four rows that hold letters and digits, by XKB keycode.
struct KeyRow {
    unsigned firstScanCode;
    const char* keys;
};
constexpr KeyRow kRows[] = {
    {10, "1234567890"},
    {24, "QWERTYUIOP"},
    {38, "ASDFGHJKL"},
    {52, "ZXCVBNM"},
};

int UsKeyAt(unsigned scanCode) {
    for (const KeyRow& row : kRows) {
        if (scanCode < row.firstScanCode) continue;
        const unsigned index = scanCode - row.firstScanCode;
        for (unsigned i = 0; row.keys[i]; ++i)
            if (i == index) return row.keys[i];
    }
    return 0;
}

bool IsDigit(int key) {
    return key >= '0' && key <= '9';
}

}  // namespace

EditorKey ReadEditorKey(unsigned scanCode, int characterKey) {
    const int place = UsKeyAt(scanCode);
    if (IsDigit(place)) return {place, place};
    return {characterKey, place};
}

}  // namespace tarvel

// Note keys by place, values by character: the piano rows of QWERTY, QWERTZ and AZERTY, fed as
// the window system reports them (the key's XKB keycode and the character's key code).
#include <gtest/gtest.h>

#include <string>

#include "editor/KeyEditing.h"

namespace tarvel {
namespace {

struct Layout {
    const char* name;
    // The character key codes of the four rows, from keycodes 10, 24, 38 and 52 on, as the
    // window gives them: letters and digits as themselves, a symbol as what it maps to (the
    // AZERTY digit row's '&' and '(' count as US Shift+7 and Shift+9), 0 for none.
    int rows[4][10];
};

constexpr int kComma = 0xBC;
const Layout kLayouts[] = {
    {"QWERTY",
     {{'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'},
      {'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P'},
      {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L'},
      {'Z', 'X', 'C', 'V', 'B', 'N', 'M'}}},
    {"QWERTZ",
     {{'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'},
      {'Q', 'W', 'E', 'R', 'T', 'Z', 'U', 'I', 'O', 'P'},
      {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L'},
      {'Y', 'X', 'C', 'V', 'B', 'N', 'M'}}},
    {"AZERTY",
     {{'7', 0, 0, 0, '9', 0, 0, 0, 0, 0},
      {'A', 'Z', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P'},
      {'Q', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L'},
      {'W', 'X', 'C', 'V', 'B', 'N', kComma}}},
};
constexpr unsigned kFirstKeycodes[4] = {10, 24, 38, 52};
const std::string kUsRows[4] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};

int UppercaseHexValue(int key) {
    if (key >= '0' && key <= '9') return key - '0';
    if (key >= 'A' && key <= 'F') return key - 'A' + 10;
    return -1;
}

TEST(KeyPositionTest, PianoRowsLieInTheSamePlaceAndValuesFollowTheCharacters) {
    for (const Layout& layout : kLayouts) {
        for (int row = 0; row < 4; ++row) {
            for (std::size_t i = 0; i < kUsRows[row].size(); ++i) {
                const unsigned keycode = kFirstKeycodes[row] + static_cast<unsigned>(i);
                const int character = layout.rows[row][i];
                const EditorKey key = ReadEditorKey(keycode, character);
                SCOPED_TRACE(::testing::Message() << layout.name << " keycode " << keycode);
                // The note is the US key's at this place, whatever the layout prints on it.
                EXPECT_EQ(NoteKeyValue(NoteTableKey(key)), NoteKeyValue(kUsRows[row][i]));
                // A value is the character; on the digit row, the digit printed on the key.
                const int expected =
                    row == 0 ? UppercaseHexValue(kUsRows[0][i]) : UppercaseHexValue(character);
                EXPECT_EQ(DigitKeyValue(key.virtualKey), expected);
            }
        }
    }
    // Without a keycode the character decides; off the rows a key keeps its character.
    EXPECT_EQ(NoteTableKey(ReadEditorKey(0, 'Y')), 'Y');
    EXPECT_EQ(NoteTableKey(ReadEditorKey(119, vk::kDelete)), vk::kDelete);
}

}  // namespace
}  // namespace tarvel

// The key codes the editor's handlers take: Windows virtual-key codes, whatever the platform.
// The window maps its own key events onto these; digits and letters are their ASCII codes.
#pragma once

namespace tarvel::vk {

constexpr int kTab = 0x09;
constexpr int kReturn = 0x0D;
constexpr int kShift = 0x10;
constexpr int kSpace = 0x20;
constexpr int kPrior = 0x21;  // Page Up
constexpr int kNext = 0x22;   // Page Down
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;
constexpr int kInsert = 0x2D;
constexpr int kDelete = 0x2E;
constexpr int kNumpad0 = 0x60;  // .. kNumpad0 + 9
constexpr int kMultiply = 0x6A;
constexpr int kAdd = 0x6B;
constexpr int kSubtract = 0x6D;
constexpr int kDivide = 0x6F;
constexpr int kF1 = 0x70;  // .. kF12
constexpr int kF2 = 0x71;
constexpr int kF3 = 0x72;
constexpr int kF4 = 0x73;
constexpr int kF5 = 0x74;
constexpr int kF6 = 0x75;
constexpr int kF7 = 0x76;
constexpr int kF8 = 0x77;
constexpr int kF9 = 0x78;
constexpr int kF10 = 0x79;
constexpr int kF11 = 0x7A;
constexpr int kF12 = 0x7B;

// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A: pass the character itself.

}  // namespace tarvel::vk

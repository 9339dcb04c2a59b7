// Qt key events to the Windows virtual-key codes that the editor core's key handlers read.
#pragma once

class QKeyEvent;

namespace tarvel {

// 0 for keys the editor has no code for. The numeric keypad's digits and operators get their
// own codes; the digits' shifted symbols on a US keyboard count as the digits.
int VirtualKeyOf(const QKeyEvent& event);

}  // namespace tarvel

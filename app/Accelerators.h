// The accelerator table: keys that reach the frame as commands before any widget sees them.
#pragma once

class QKeyEvent;

namespace tarvel {

// The command bound to this key press, or 0. Modifiers must match exactly, and the numeric
// keypad's + - * / are told apart from the main keyboard's.
int AcceleratorCommand(const QKeyEvent& event);

}  // namespace tarvel

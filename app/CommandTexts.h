// The status-bar prompt and the tooltip of each command (the string table entry
// "prompt\ntooltip"). Standard commands carry the usual desktop texts.
#pragma once

namespace tarvel {

struct CommandText {
    const char* prompt;   // "" when the command has none
    const char* tooltip;  // "" when the command has none
};

CommandText TextOfCommand(int commandId);

// The message pane's text when no prompt is showing.
constexpr const char* kIdlePrompt = "Ready";

}  // namespace tarvel

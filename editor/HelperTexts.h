// The control panel's "Pattern programmer helper": what the field under the edit cursor is,
// its value, and what the value means.
#pragma once

#include <optional>
#include <string>

#include "editor/SongEditor.h"

namespace tarvel {

struct HelperTexts {
    std::string row;                    // under "Row": the kind of field
    std::string value;                  // under "Value"
    std::optional<std::string> status;  // under "Status"; empty: leave the field's text as it was
};

// Lock held; window thread, after every paint of the view.
HelperTexts UpdateHelperTexts(const SongEditor& edit);

// The MIDI control change names, by controller number, each in a fixed 128-byte entry.
extern const char controllerNames[128][128];

// The name of a special command 0x80..0xFE, or nullptr where the command has none.
const char* CommandName(int command);

}  // namespace tarvel

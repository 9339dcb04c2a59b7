// The window's edits, each as one undo step. The keyboard, the menus and the mouse of the
// window call these rather than the editor's own functions, so that every change the user makes
// can be taken back. Window thread; each takes the lock itself, so the caller must not hold it.
#pragma once

#include <string>

#include "document/FennoralDoc.h"
#include "editor/BlockCommands.h"
#include "editor/KeyPositions.h"
#include "editor/MouseEditing.h"

namespace tarvel {

// A key in the editor view: typing into the current pattern, or a slot of the sequencer.
void KeyDownAsEdit(CFennoralDoc& doc, const EditorKey& key, bool shiftHeld);
// An Edit menu command (block cut and paste, interpolations, marks and loop marks).
bool RunEditCommandAsEdit(CFennoralDoc& doc, EditCommand command);

enum class PatternCommand { Copy, Cut, Paste };
void RunPatternCommandAsEdit(CFennoralDoc& doc, PatternCommand command);
void ApplyPatternPropertiesAsEdit(CFennoralDoc& doc, const std::string& name,
                                  const std::string& lines);

// A mouse drag in the sequencer paints or clears many slots as one step, from the button's down
// to its up.
MouseAction MouseDownAsEdit(CFennoralDoc& doc, EditorMouse& mouse, bool left, int x, int y);
void MouseUpAsEdit(CFennoralDoc& doc, EditorMouse& mouse, bool left);

// The tempo box and the control panel's channel settings. Caller holds the lock: the player
// writes the tempo and the programs too, so the step is taken in the same hold as the edit.
void SetBpmAsEdit(CFennoralDoc& doc, int bpm);
void SetChannelDeviceAsEdit(CFennoralDoc& doc, int channel, int device);
void SetChannelProgramAsEdit(CFennoralDoc& doc, int channel, int program);
void SetChannelVelocityAsEdit(CFennoralDoc& doc, int channel, int velocity);  // 1..127

}  // namespace tarvel

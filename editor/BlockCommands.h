// The Edit menu: marking a block of the pattern (or, in the sequencer, the loop range), copying,
// cutting and pasting it through the document's block buffer, and interpolating its first
// track. Window thread; each command takes the document lock for its own edit.
#pragma once

#include "song/FennoralDoc.h"

namespace tarvel {

namespace cmd {
constexpr int kMarkBlockStart = 32787;
constexpr int kMarkBlockEnd = 32788;
constexpr int kEditCut = 57635;
constexpr int kEditCopy = 57634;
constexpr int kEditPaste = 57637;
constexpr int kInterpolateVelocity = 32810;
constexpr int kInterpolateParameter = 32809;
}  // namespace cmd

void MarkBlockStart(CFennoralDoc& doc);
void MarkBlockEnd(CFennoralDoc& doc);
void CopyBlock(CFennoralDoc& doc);
void CutBlock(CFennoralDoc& doc);
void PasteBlock(CFennoralDoc& doc);
void InterpolateParameter(CFennoralDoc& doc);
void InterpolateVelocity(CFennoralDoc& doc);

// The update state of an Edit command; false for ids that are not Edit commands. Reads only
// fields that the window thread alone writes, so it needs no lock.
bool IsEditCommandEnabled(const CFennoralDoc& doc, int commandId);
// Runs an Edit command if it is enabled; false when it was disabled or is not an Edit command.
// The frame routes menu items and accelerators through here, so a disabled command never runs.
bool RunEditCommand(CFennoralDoc& doc, int commandId);

}  // namespace tarvel

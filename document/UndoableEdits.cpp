#include "document/UndoableEdits.h"

#include <algorithm>
#include <cstddef>
#include <mutex>

#include "document/EditAction.h"
#include "editor/KeyEditing.h"

namespace tarvel {

namespace {

int CurrentPattern(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    return doc.editor.currentPattern;
}

// One byte of a 16-entry channel table.
SongRange ChannelByteRange(std::size_t table, int channel) {
    return {table + static_cast<std::size_t>(channel & 0x0F), 1};
}

const char* EditCommandLabel(EditCommand command) {
    switch (command) {
        case EditCommand::MarkBlockStart:
        case EditCommand::MarkBlockEnd:
            return "Loop Mark";
        case EditCommand::Cut:
            return "Cut";
        case EditCommand::Copy:
            return "Copy";
        case EditCommand::Paste:
            return "Paste";
        case EditCommand::InterpolateVelocity:
        case EditCommand::InterpolateParameter:
            return "Interpolate";
    }
    return "Edit";
}

// One small edit as one step: the range it may touch is watched around the write.
template <typename Write>
void AsOneEdit(CFennoralDoc& doc, const char* label, SongRange range, Write write) {
    TARVEL_ASSERT_LOCKED(doc);
    doc.history.Begin(label);
    doc.history.Watch(range);
    write();
    doc.history.End();
}

}  // namespace

void KeyDownAsEdit(CFennoralDoc& doc, const EditorKey& key, bool shiftHeld) {
    // Slots announce themselves as they are written; the pattern is watched whole.
    EditAction action(doc, "Typing", {PatternRange(CurrentPattern(doc))});
    EditorKeyDown(doc.songEditor, key, shiftHeld);
}

bool RunEditCommandAsEdit(CFennoralDoc& doc, EditCommand command) {
    EditAction action(doc, EditCommandLabel(command), {PatternRange(CurrentPattern(doc))});
    return RunEditCommand(doc.songEditor, command);
}

void RunPatternCommandAsEdit(CFennoralDoc& doc, PatternCommand command) {
    static constexpr const char* kLabels[] = {"Copy Pattern", "Cut Pattern", "Paste Pattern"};
    const int pattern = CurrentPattern(doc);
    EditAction action(doc, kLabels[static_cast<int>(command)], {PatternRange(pattern)});
    std::lock_guard lock(doc.mutex);
    if (command == PatternCommand::Cut) doc.CutPattern(pattern);
    if (command == PatternCommand::Copy) doc.CopyPattern(pattern);
    if (command == PatternCommand::Paste) doc.PastePattern(pattern);
}

void ApplyPatternPropertiesAsEdit(CFennoralDoc& doc, const std::string& name,
                                  const std::string& lines) {
    EditAction action(doc, "Pattern Properties", {PatternRange(CurrentPattern(doc))});
    std::lock_guard lock(doc.mutex);
    doc.ApplyPatternProperties(name, lines);
}

MouseAction MouseDownAsEdit(CFennoralDoc& doc, EditorMouse& mouse, bool left, int x, int y) {
    bool& dragging = left ? mouse.leftDragging : mouse.rightDragging;
    const bool wasDragging = dragging;
    {
        std::lock_guard lock(doc.mutex);
        doc.history.Begin(left ? "Paint Slots" : "Clear Slots");
    }
    const MouseAction action = left ? EditorLeftButtonDown(doc.songEditor, mouse, x, y)
                                    : EditorRightButtonDown(doc.songEditor, mouse, x, y);
    // Only a drag that starts here stays open until its button comes up.
    if (wasDragging || !dragging) {
        std::lock_guard lock(doc.mutex);
        doc.history.End();
    }
    return action;
}

void MouseUpAsEdit(CFennoralDoc& doc, EditorMouse& mouse, bool left) {
    const bool wasDragging = left ? mouse.leftDragging : mouse.rightDragging;
    if (left) EditorLeftButtonUp(mouse);
    if (!left) EditorRightButtonUp(mouse);
    if (!wasDragging) return;
    std::lock_guard lock(doc.mutex);
    doc.history.End();
}

void SetBpmAsEdit(CFennoralDoc& doc, int bpm) {
    AsOneEdit(doc, "Tempo", TempoRange(), [&] { doc.SetBpm(bpm); });
}

void SetChannelDeviceAsEdit(CFennoralDoc& doc, int channel, int device) {
    AsOneEdit(doc, "Device", ChannelByteRange(offsetof(Song, channelDevice), channel),
              [&] { doc.SetChannelDevice(channel & 0x0F, device); });
}

void SetChannelProgramAsEdit(CFennoralDoc& doc, int channel, int program) {
    AsOneEdit(doc, "Program", ChannelByteRange(offsetof(Song, channelProgram), channel),
              [&] { doc.SetChannelProgram(channel & 0x0F, program); });
}

void SetChannelVelocityAsEdit(CFennoralDoc& doc, int channel, int velocity) {
    AsOneEdit(doc, "Velocity", ChannelByteRange(offsetof(Song, channelVelocity), channel), [&] {
        doc.song.channelVelocity[channel & 0x0F] =
            static_cast<std::uint8_t>(std::clamp(velocity, 1, 127));
    });
}

}  // namespace tarvel

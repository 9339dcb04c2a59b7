// Undo and redo as commands: one step's bytes back in short holds, then the cursor to where the
// edit was, so the user sees what came back.
#include <algorithm>
#include <array>
#include <mutex>
#include <optional>

#include "document/FennoralDoc.h"
#include "editor/CursorMoves.h"

namespace tarvel {

namespace {

void ShowEditPlace(SongEditor& edit, const EditPlace& place) {
    EditorState& e = edit.editor;
    if (place.pattern != e.currentPattern)
        edit.StepCurrentPattern(place.pattern - e.currentPattern);
    edit.MoveCursorLines(place.line - e.cursorLine);
    if (place.track != e.cursorTrack) MoveCursorTrack(edit, place.track - e.cursorTrack);
    MoveSeqRows(edit, place.seqRow - e.seqCursorRow);
    if (place.seqColumn >= 0 && place.seqColumn < kTrackCount) e.seqCursorColumn = place.seqColumn;
}

// A channel's device and program as they were before a step: what the outputs last heard.
struct ChannelRouting {
    std::array<std::uint8_t, kTrackCount> device;
    std::array<std::uint8_t, kTrackCount> program;

    explicit ChannelRouting(const Song& song) {
        std::copy_n(song.channelDevice, kTrackCount, device.begin());
        std::copy_n(song.channelProgram, kTrackCount, program.begin());
    }
};

// The outputs follow a step's channel bytes as they follow the panel: notes leave a channel whose
// device changes, and a changed program is sent.
void SendChangedRouting(Engine& engine, const ChannelRouting& before, int currentChannel) {
    const Song& song = engine.song;
    for (int channel = 0; channel < kTrackCount; ++channel) {
        if (song.channelDevice[channel] != before.device[channel])
            engine.SetChannelDevice(channel, song.channelDevice[channel]);
        if (song.channelProgram[channel] != before.program[channel])
            engine.SetChannelProgram(channel, song.channelProgram[channel], currentChannel);
    }
}

}  // namespace

bool CFennoralDoc::Undo() {
    return StepHistory(&EditHistory::StartUndo);
}

bool CFennoralDoc::Redo() {
    return StepHistory(&EditHistory::StartRedo);
}

bool CFennoralDoc::StepHistory(bool (EditHistory::*start)()) {
    TakeInputEdits();  // the newest recorded notes are the first to go back
    std::optional<ChannelRouting> routing;
    {
        std::lock_guard lock(mutex);
        if (!(history.*start)()) return false;
        routing.emplace(song);
    }
    // The player plays on between the pieces; the window thread, the only editor, waits.
    for (bool written = false; !written;) {
        std::lock_guard lock(mutex);
        EditPlace place;
        written = history.WriteSome(kHistoryBytesPerHold, place);
        if (!written) continue;
        ShowEditPlace(songEditor, place);
        ShowBpm();
        SendChangedRouting(engine, *routing, editor.currentChannel);
    }
    RaiseUiSignal(kRefreshPanel | kRepaintView);
    return true;
}

}  // namespace tarvel

#include <cstdio>

#include "song/FennoralDoc.h"

namespace tarvel {

void MakeEmptyPattern(Pattern& pattern) {
    CopyText(pattern.name, "empty");
    for (auto& line : pattern.cells)
        for (auto& cell : line) cell = kEmptyCell;
    pattern.lineCount = kDefaultLineCount;
}

namespace {

bool IsPatternNumber(int pattern) {
    return pattern >= 0 && pattern < kPatternCount;
}

SequenceSlot* SlotUnderCursor(Song& song, const EditorState& editor) {
    const int row = editor.seqCursorRow;
    const int column = editor.seqCursorColumn;
    if (row < 0 || row >= kSequenceRows || column < 0 || column >= kTrackCount) return nullptr;
    return &song.sequence[row][column];
}

}  // namespace

void CFennoralDoc::ResetSong() {
    TARVEL_ASSERT_LOCKED(*this);
    SongHeader& header = song.header;
    header.author[0] = header.band[0] = header.date[0] = header.comments[0] = '\0';

    for (int pattern = 0; pattern < kPatternCount; ++pattern) ResetPattern(pattern);

    ResetNoteTracking();

    song.patchCount = 128;
    for (int program = 0; program < 128; ++program)
        CopyText(song.patchNames[program], kDefaultPatchNames[program]);

    for (int track = 0; track < kTrackCount; ++track) {
        std::snprintf(song.trackName[track], kNameSize, "%d", track);
        song.channelDevice[track] = 0;
        song.channelProgram[track] = 0;
        song.channelVelocity[track] = 100;
        for (int row = 0; row < kSequenceRows; ++row)
            song.sequence[row][track] = SequenceSlot{kEmptySlot, 0, 0};
    }

    SetBpm(125);
    ShowBpm();
}

void CFennoralDoc::ResetPattern(int pattern) {
    if (IsPatternNumber(pattern)) MakeEmptyPattern(song.patterns[pattern]);
}

int CFennoralDoc::GetPatternLineCount(int pattern) const {
    return IsPatternNumber(pattern) ? song.patterns[pattern].lineCount : 0;
}

void CFennoralDoc::SetPatternLineCount(int pattern, int count) {
    if (IsPatternNumber(pattern)) song.patterns[pattern].lineCount = count;
}

void CFennoralDoc::SetPatternName(int pattern, const char* name) {
    if (IsPatternNumber(pattern)) CopyText(song.patterns[pattern].name, name);
}

void CFennoralDoc::PutSequenceSlot() {
    if (SequenceSlot* slot = SlotUnderCursor(song, editor)) {
        slot->pattern = static_cast<std::uint8_t>(editor.currentPattern);
        slot->transpose = static_cast<std::int8_t>(editor.insertTranspose);
    }
}

void CFennoralDoc::ClearSequenceSlot() {
    if (SequenceSlot* slot = SlotUnderCursor(song, editor)) {
        slot->pattern = kEmptySlot;
        slot->transpose = 0;
    }
}

void CFennoralDoc::SendAllPrograms() {
    for (int channel = 0; channel < kTrackCount; ++channel)
        SetChannelProgram(channel, song.channelProgram[channel]);
}

void CFennoralDoc::SetBpm(int bpm) {
    if (bpm >= 32 && bpm <= 512) song.lineDuration = 15000 / bpm;
}

int CFennoralDoc::EffectiveLineDuration() const {
    return song.lineDuration >= 1 ? song.lineDuration : 120;
}

void CFennoralDoc::ShowBpm() {
    RaiseUiSignal(kShowBpm);
}

}  // namespace tarvel

#include "song/SongOps.h"

#include <cstdio>

#include "song/CellCommandValues.h"
#include "song/Tempo.h"

namespace tarvel {

namespace {

bool IsPatternNumber(int pattern) {
    return pattern >= 0 && pattern < kPatternCount;
}

}  // namespace

void MakeEmptyPattern(Pattern& pattern) {
    CopyText(pattern.name, "empty");
    for (auto& line : pattern.cells)
        for (auto& cell : line) cell = kEmptyCell;
    pattern.lineCount = kDefaultLineCount;
}

void MakeNewSong(Song& song) {
    SongHeader& header = song.header;
    header.author[0] = header.band[0] = header.date[0] = header.comments[0] = '\0';

    for (int pattern = 0; pattern < kPatternCount; ++pattern) ResetPattern(song, pattern);

    for (auto& channel : song.soundingNote)
        for (auto& note : channel) note = -1;

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

    SetBpm(song, 125);
}

void ResetPattern(Song& song, int pattern) {
    if (IsPatternNumber(pattern)) MakeEmptyPattern(song.patterns[pattern]);
}

void SetPatternLineCount(Song& song, int pattern, int count) {
    if (IsPatternNumber(pattern)) song.patterns[pattern].lineCount = count;
}

void SetPatternName(Song& song, int pattern, const char* name) {
    if (IsPatternNumber(pattern)) CopyText(song.patterns[pattern].name, name);
}

void SetBpm(Song& song, int bpm) {
    if (bpm >= kSlowestBpm && bpm <= kFastestBpm) song.lineDuration = LineDurationOfBpm(bpm);
}

int EffectiveLineDuration(const Song& song) {
    return song.lineDuration >= 1 ? song.lineDuration : 120;
}

std::bitset<128> ChannelPrograms(const Song& song) {
    std::bitset<128> programs;
    for (std::uint8_t program : song.channelProgram) programs.set(program & 0x7F);
    return programs;
}

void AddCellPrograms(const Pattern& pattern, std::bitset<128>& programs) {
    for (const auto& line : pattern.cells)
        for (const PatternCell& cell : line)
            if (cell.command == cell::kProgramChange) programs.set(cell.parameter & 0x7F);
}

std::bitset<128> ProgramsInUse(const Song& song) {
    std::bitset<128> programs = ChannelPrograms(song);
    for (const Pattern& pattern : song.patterns) AddCellPrograms(pattern, programs);
    return programs;
}

}  // namespace tarvel

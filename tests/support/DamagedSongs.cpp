#include "support/DamagedSongs.h"

#include <climits>
#include <cstring>
#include <mutex>
#include <random>

#include "song/SongFile.h"
#include "support/RecordingUi.h"

namespace tarvel::testing {

namespace {

using Loop = std::int32_t;

template <typename T>
void FillRandom(T& record, unsigned seed) {
    std::mt19937 random(seed);
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    for (std::size_t i = 0; i < sizeof record; ++i) bytes[i] = static_cast<std::uint8_t>(random());
}

template <std::size_t N>
void FillWithoutNul(char (&text)[N], char fill) {
    std::memset(text, fill, N);
}

void SetLineCounts(Song& song, std::int32_t count) {
    for (Pattern& pattern : song.patterns) pattern.lineCount = count;
}

void SetPatchCount(Song& song, std::int32_t count) {
    song.patchCount = count;
}

void SetLoop(Loop& start, Loop& end, Loop newStart, Loop newEnd) {
    start = newStart;
    end = newEnd;
}

void SlotsBeyondThePatterns(Song& song) {
    for (int row = 0; row < 256; ++row)
        for (int track = 0; track < kTrackCount; ++track)
            song.sequence[row][track].pattern =
                static_cast<std::uint8_t>(128 + (row * kTrackCount + track) % 127);
}

void TextsWithoutNul(Song& song) {
    FillWithoutNul(song.header.author, 'a');
    FillWithoutNul(song.header.band, 'b');
    FillWithoutNul(song.header.date, 'd');
    FillWithoutNul(song.header.comments, '\xE9');
    for (Pattern& pattern : song.patterns) FillWithoutNul(pattern.name, 'p');
    for (auto& name : song.trackName) FillWithoutNul(name, 't');
    for (auto& name : song.patchNames) FillWithoutNul(name, '%');  // also no format directive
}

void SoundingNoteGarbage(Song& song) {
    const std::int32_t garbage[] = {INT_MIN, INT_MAX, 128, 255, 256, 1000, -2, 0x7F7F7F7F};
    int i = 0;
    for (auto& channel : song.soundingNote)
        for (auto& note : channel) note = garbage[i++ % 8];
}

void EverythingAtOnce(Song& song, Loop& start, Loop& end) {
    song.lineDuration = 0;
    SlotsBeyondThePatterns(song);
    for (int k = 0; k < kPatternCount; ++k) {
        const std::int32_t counts[] = {0, -1, 300, INT_MAX, INT_MIN};
        song.patterns[k].lineCount = counts[k % 5];
    }
    TextsWithoutNul(song);
    song.patchCount = INT_MAX;
    std::memset(song.channelDevice, 200, sizeof song.channelDevice);
    std::memset(song.channelProgram, 255, sizeof song.channelProgram);
    SoundingNoteGarbage(song);
    SetLoop(start, end, INT_MAX, INT_MIN);
}

}  // namespace

std::vector<DamagedSong> DamagedSongs() {
    return {
        {"LineDurationZero", [](Song& s, Loop&, Loop&) { s.lineDuration = 0; }},
        {"LineDurationMinusFive", [](Song& s, Loop&, Loop&) { s.lineDuration = -5; }},
        {"LineDurationIntMin", [](Song& s, Loop&, Loop&) { s.lineDuration = INT_MIN; }},
        {"LineDurationIntMax", [](Song& s, Loop&, Loop&) { s.lineDuration = INT_MAX; }},
        {"SlotPatterns128To254", [](Song& s, Loop&, Loop&) { SlotsBeyondThePatterns(s); }},
        {"LineCountZero", [](Song& s, Loop&, Loop&) { SetLineCounts(s, 0); }},
        {"LineCountMinusOne", [](Song& s, Loop&, Loop&) { SetLineCounts(s, -1); }},
        {"LineCount300", [](Song& s, Loop&, Loop&) { SetLineCounts(s, 300); }},
        {"LineCountIntMax", [](Song& s, Loop&, Loop&) { SetLineCounts(s, INT_MAX); }},
        {"LineCountIntMin", [](Song& s, Loop&, Loop&) { SetLineCounts(s, INT_MIN); }},
        {"TextsWithoutNul", [](Song& s, Loop&, Loop&) { TextsWithoutNul(s); }},
        {"PatchCountMinusOne", [](Song& s, Loop&, Loop&) { SetPatchCount(s, -1); }},
        {"PatchCount513", [](Song& s, Loop&, Loop&) { SetPatchCount(s, 513); }},
        {"PatchCountIntMax", [](Song& s, Loop&, Loop&) { SetPatchCount(s, INT_MAX); }},
        {"PatchCountIntMin", [](Song& s, Loop&, Loop&) { SetPatchCount(s, INT_MIN); }},
        {"ChannelDevice200",
         [](Song& s, Loop&, Loop&) { std::memset(s.channelDevice, 200, sizeof s.channelDevice); }},
        {"ChannelDevice255",
         [](Song& s, Loop&, Loop&) { std::memset(s.channelDevice, 255, sizeof s.channelDevice); }},
        {"SoundingNoteGarbage", [](Song& s, Loop&, Loop&) { SoundingNoteGarbage(s); }},
        {"ProgramAndVelocity255",
         [](Song& s, Loop&, Loop&) {
             std::memset(s.channelProgram, 255, sizeof s.channelProgram);
             std::memset(s.channelVelocity, 255, sizeof s.channelVelocity);
         }},
        {"LoopRowsOutsideTheGrid", [](Song&, Loop& a, Loop& b) { SetLoop(a, b, -100, 999999); }},
        {"LoopRowsReversed", [](Song&, Loop& a, Loop& b) { SetLoop(a, b, 500, 100); }},
        {"LoopRowsIntExtremes", [](Song&, Loop& a, Loop& b) { SetLoop(a, b, INT_MIN, INT_MAX); }},
        {"CellsOfRandomBytes",
         [](Song& s, Loop&, Loop&) {
             for (int k = 0; k < 4; ++k) FillRandom(s.patterns[k].cells, 100u + k);
         }},
        {"RandomImage", [](Song& s, Loop&, Loop&) { FillRandom(s, 7u); }},
        {"EverythingAtOnce", EverythingAtOnce},
    };
}

void MakeBusySong(CFennoralDoc& doc) {
    Song& song = doc.song;
    // Command bytes of every kind, with a parameter each: controllers, gate, tempo, pitch wheel,
    // program, delay, retrigger, clock, unknown, none.
    const std::uint8_t commands[][2] = {{0x07, 100}, {0x80, 0}, {0x90, 140}, {0xA0, 0x20},
                                        {0xB0, 5},   {0xD0, 0}, {0xE0, 0},   {0xF8, 0},
                                        {0x85, 9},   {0xFF, 0}, {0x0A, 127}, {0xF2, 3}};
    for (int k = 0; k < 4; ++k) {
        Pattern& pattern = song.patterns[k];
        std::snprintf(pattern.name, kNameSize, "Busy %d", k);
        pattern.lineCount = 64;
        for (int line = 0; line < kPatternLines; ++line) {
            for (int column = 0; column < kTrackCount; ++column) {
                PatternCell& cell = pattern.cells[line][column];
                const int n = line * 7 + column * 3 + k;
                cell.note = (n % 9 == 0)   ? kNoteOff
                            : (n % 5 == 0) ? kNoNote
                                           : static_cast<std::uint8_t>(24 + n % 100);
                cell.velocity = static_cast<std::uint8_t>((n % 4 == 0) ? 0xFF : 60 + n % 120);
                cell.command = commands[n % 12][0];
                cell.parameter = commands[n % 12][1];
            }
        }
    }
    const std::int8_t transposes[] = {0, 12, -99, 99};
    for (int block = 0; block < 4; ++block)
        for (int track = 0; track < kTrackCount; ++track)
            song.sequence[block * 64][track] = {static_cast<std::uint8_t>((block + track) % 4),
                                                transposes[(block + track) % 4], 0};
    doc.editor.loopStartRow = 0;
    doc.editor.loopEndRow = 256;
}

std::vector<std::uint8_t> DamagedSongFile(const DamagedSong& damaged) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    std::vector<std::uint8_t> stream;
    {
        std::lock_guard lock(doc.mutex);
        MakeBusySong(doc);
        damaged.damage(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow);
        WriteSongStream(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow, stream);
    }
    return EncodeSongFile(stream);
}

bool LoadDamagedSong(CFennoralDoc& doc, const DamagedSong& damaged) {
    return doc.LoadSongFromBytes(DamagedSongFile(damaged), damaged.name);
}

}  // namespace tarvel::testing

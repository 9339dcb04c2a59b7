// The song: one fixed block of plain data whose byte image is the body of a song file.
// The records need no packing: every field falls on its natural alignment, so the compiler adds
// no padding and every 32-bit field can be read whole. The image is little-endian on the
// machines we build for, so it is written and read as one block; the static_asserts below pin
// every size and offset to the file layout.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvel {

constexpr int kPatternCount = 128;
constexpr int kPatternLines = 256;
constexpr int kTrackCount = 16;  // tracks, pattern columns and MIDI channels share one index
constexpr int kSequenceRows = 16384;
constexpr int kPatchSlots = 512;
constexpr int kNameSize = 32;
constexpr int kCommentsSize = 2048;
constexpr int kDefaultLineCount = 64;

// In-band markers of cells and slots.
constexpr std::uint8_t kNoNote = 0xFF;
constexpr std::uint8_t kNoteOff = 0xFE;
constexpr std::uint8_t kDefaultVelocity = 0xFF;
constexpr std::uint8_t kNoCommand = 0xFF;
constexpr std::uint8_t kEmptySlot = 0xFF;

struct PatternCell {
    std::uint8_t note;
    std::uint8_t velocity;
    std::uint8_t command;
    std::uint8_t parameter;
};

constexpr PatternCell kEmptyCell{kNoNote, kDefaultVelocity, kNoCommand, 0};

struct Pattern {
    char name[kNameSize];
    PatternCell cells[kPatternLines][kTrackCount];  // line-major
    std::int32_t lineCount;
};

struct SequenceSlot {
    std::uint8_t pattern;
    std::int8_t transpose;
    std::uint8_t reserved;
};

struct SongHeader {
    char author[kNameSize];
    char band[kNameSize];
    char date[kNameSize];
    char comments[kCommentsSize];
};

struct Song {
    std::int32_t lineDuration;  // ms per line (song/Tempo.h)
    SongHeader header;
    Pattern patterns[kPatternCount];
    char trackName[kTrackCount][kNameSize];
    std::uint8_t channelDevice[kTrackCount];
    std::uint8_t channelProgram[kTrackCount];
    std::int32_t soundingNote[kTrackCount][kTrackCount];  // [channel][column], -1 when silent
    std::uint8_t channelVelocity[kTrackCount];
    std::int32_t patchCount;
    char patchNames[kPatchSlots][kNameSize];
    SequenceSlot sequence[kSequenceRows][kTrackCount];  // row-major
};

static_assert(sizeof(PatternCell) == 4 && alignof(PatternCell) == 1);
static_assert(sizeof(SequenceSlot) == 3 && alignof(SequenceSlot) == 1);
static_assert(sizeof(SongHeader) == 2144);
static_assert(sizeof(Pattern) == 16420);
static_assert(offsetof(Pattern, cells) == 32);
static_assert(offsetof(Pattern, lineCount) == 16416);
static_assert(sizeof(Song) == 2908312);
static_assert(alignof(Song) == 4 && alignof(Pattern) == 4);

// Offsets inside the song image; the file stream adds its 5-byte magic in front.
static_assert(offsetof(Song, lineDuration) == 0);
static_assert(offsetof(Song, header) == 4);
static_assert(offsetof(Song, header) + offsetof(SongHeader, band) == 36);
static_assert(offsetof(Song, header) + offsetof(SongHeader, date) == 68);
static_assert(offsetof(Song, header) + offsetof(SongHeader, comments) == 100);
static_assert(offsetof(Song, patterns) == 2148);
static_assert(offsetof(Song, trackName) == 2103908);
static_assert(offsetof(Song, channelDevice) == 2104420);
static_assert(offsetof(Song, channelProgram) == 2104436);
static_assert(offsetof(Song, soundingNote) == 2104452);
static_assert(offsetof(Song, channelVelocity) == 2105476);
static_assert(offsetof(Song, patchCount) == 2105492);
static_assert(offsetof(Song, patchNames) == 2105496);
static_assert(offsetof(Song, sequence) == 2121880);

// The patch table (patchCount and all names) is one contiguous run; patch-list files hold it.
constexpr std::size_t kPatchTableOffset = offsetof(Song, patchCount);
constexpr std::size_t kPatchTableSize = 4 + kPatchSlots * kNameSize;
static_assert(kPatchTableSize == 16388);

// An empty pattern: named "empty", every cell empty, 64 lines. Bytes after the name's NUL stay.
void MakeEmptyPattern(Pattern& pattern);

// The 128 General MIDI names a new song starts with.
extern const char* const kDefaultPatchNames[128];

// A text field read within its size, so a damaged song without a NUL never reads past the field.
template <std::size_t N>
constexpr std::size_t BoundedLength(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return n;
}

// Writes text and its NUL into a field, keeping the bytes after the NUL as they were.
// At most N - 1 characters are kept.
template <std::size_t N>
void CopyText(char (&field)[N], const char* text) {
    std::size_t i = 0;
    for (; i + 1 < N && text[i] != '\0'; ++i) field[i] = text[i];
    field[i] = '\0';
}

}  // namespace tarvel

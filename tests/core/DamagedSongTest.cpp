// Song files that only damage or a foreign program could write, one of each kind of damage. The
// loader takes each as it is; whatever reads the song afterwards must stay inside it and never
// divide by zero. The sanitizer builds of this test are what catch a slip; the fuzz target
// tries many more such songs.
#include <gmock/gmock.h>

#include <climits>
#include <cstring>
#include <random>

#include "song/SongFile.h"
#include "support/DenseSong.h"
#include "support/ExerciseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Loop = std::int32_t;

struct DamagedSong {
    const char* name;  // letters and digits only, usable as a test name
    void (*damage)(Song& song, Loop& loopStartRow, Loop& loopEndRow);
};

const DamagedSong kDamagedSongs[] = {
    {"LineDurationZero", [](Song& s, Loop&, Loop&) { s.lineDuration = 0; }},
    {"SlotPatternsPastTheTable",
     [](Song& s, Loop&, Loop&) {
         for (int row = 0; row < 256; ++row)
             for (int track = 0; track < kTrackCount; ++track)
                 s.sequence[row][track].pattern = static_cast<std::uint8_t>(128 + row % 127);
     }},
    {"LineCountsOutOfRange",
     [](Song& s, Loop&, Loop&) {
         const std::int32_t counts[] = {0, -1, 300, INT_MAX, INT_MIN};
         for (int k = 0; k < kPatternCount; ++k) s.patterns[k].lineCount = counts[k % 5];
     }},
    {"SoundingNoteGarbage",
     [](Song& s, Loop&, Loop&) {
         const std::int32_t garbage[] = {INT_MIN, INT_MAX, 128, 255, 256, -2};
         for (int i = 0; i < kTrackCount * kTrackCount; ++i)
             s.soundingNote[i / kTrackCount][i % kTrackCount] = garbage[i % 6];
     }},
    {"LoopRowsReversedAtTheIntExtremes",
     [](Song&, Loop& start, Loop& end) {
         start = INT_MAX;
         end = INT_MIN;
     }},
    {"RandomImage",
     [](Song& s, Loop&, Loop&) {
         std::mt19937 random(7);
         auto* bytes = reinterpret_cast<std::uint8_t*>(&s);
         for (std::size_t i = 0; i < sizeof s; ++i) bytes[i] = static_cast<std::uint8_t>(random());
     }},
};

class DamagedSongs : public ::testing::TestWithParam<DamagedSong> {};

std::vector<std::uint8_t> StreamOf(CFennoralDoc& doc) {
    std::vector<std::uint8_t> stream;
    std::lock_guard lock(doc.mutex);
    WriteSongStream(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow, stream);
    return stream;
}

// A dense song with the damage done, loaded through the real loader, then played, shown and
// edited; the fuzz target runs the same over many more songs.
TEST_P(DamagedSongs, LoadAsTheyAreAndArePlayedShownAndEditedInsideTheSong) {
    testing::TestDocument t(2);
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        FillDenseSong(doc, testing::Density::EveryCommand);
        GetParam().damage(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow);
    }
    const std::vector<std::uint8_t> damaged = StreamOf(doc);
    doc.NewSong();
    ASSERT_TRUE(doc.LoadSongFromBytes(EncodeSongFile(damaged), GetParam().name));
    EXPECT_EQ(StreamOf(doc), damaged);  // nothing was "repaired"
    testing::ExerciseSong(doc, 1500);
}

INSTANTIATE_TEST_SUITE_P(OneOfEachKind, DamagedSongs, ::testing::ValuesIn(kDamagedSongs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvel

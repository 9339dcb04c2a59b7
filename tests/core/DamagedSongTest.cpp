// Song files that only damage or a foreign program could write, one of each kind of damage. The
// loader takes each as it is; whatever reads the song afterwards must stay inside it and never
// divide by zero. The sanitizer builds of this test are what catch a slip; the fuzz target
// tries many more such songs.
#include <gmock/gmock.h>

#include <climits>
#include <cstring>
#include <random>

#include "editor/BlockCommands.h"
#include "editor/DisplayModel.h"
#include "editor/HelperTexts.h"
#include "editor/KeyEditing.h"
#include "editor/MouseEditing.h"
#include "song/SongFile.h"
#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using Loop = std::int32_t;

struct DamagedSong {
    const char* name;  // letters and digits only, usable as a test name
    void (*damage)(Song& song, Loop& loopStartRow, Loop& loopEndRow);
};

template <std::size_t N>
void NoNul(char (&text)[N]) {
    std::memset(text, '%', N);  // also no format directive
}

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
    {"TextsWithoutNul",
     [](Song& s, Loop&, Loop&) {
         NoNul(s.header.author);
         NoNul(s.header.band);
         NoNul(s.header.date);
         NoNul(s.header.comments);
         for (Pattern& pattern : s.patterns) NoNul(pattern.name);
         for (auto& name : s.trackName) NoNul(name);
         for (auto& name : s.patchNames) NoNul(name);
     }},
    {"ChannelDevice255",
     [](Song& s, Loop&, Loop&) { std::memset(s.channelDevice, 255, sizeof s.channelDevice); }},
    {"ProgramAndVelocity255",
     [](Song& s, Loop&, Loop&) {
         std::memset(s.channelProgram, 255, sizeof s.channelProgram);
         std::memset(s.channelVelocity, 255, sizeof s.channelVelocity);
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

// A dense song with the damage done, loaded through the real loader, then played in both modes
// with seeks, and shown and edited through the display model, the helper texts, the keys, the
// mouse and the block commands. The fuzz target runs the panel, the sends and the pattern
// commands over many more songs.
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

    DisplayModel model;
    EditorMouse mouse;
    for (int mode : {kSongMode, kPatternMode}) {
        {
            std::lock_guard lock(doc.mutex);
            doc.editor.seqCursorRow = doc.editor.loopEndRow / 2;
            doc.StartPlayback(mode);
            for (int tick = 0; tick < 1500; ++tick) doc.PlayerTick();
            doc.SeekEnd();
            for (int tick = 0; tick < 500; ++tick) doc.PlayerTick();
            doc.SeekStart();
            BuildDisplayModel(doc.edit, model);
        }
        doc.DispatchUiSignals();
        for (int field = 0; field <= 6; ++field) {
            {
                std::lock_guard lock(doc.mutex);
                doc.editor.cursorField = field;
                UpdateHelperTexts(doc.edit);
            }
            ToggleRecord(doc.edit);
            for (int key : {int{'Q'}, int{'7'}, vk::kDelete, vk::kDown, vk::kNext, vk::kRight})
                EditorKeyDown(doc.edit, key, false);
            EditorKeyUp(doc.edit, 'Q');
        }
        EditorMouseMove(doc.edit, mouse, 700, 340);
        EditorLeftButtonDown(doc.edit, mouse, 700, 340);
        EditorLeftButtonDown(doc.edit, mouse, 700, 340);
        EditorLeftButtonUp(mouse);
        EditorRightButtonDown(doc.edit, mouse, 700, 200);
        EditorRightButtonUp(mouse);
        EditorLeftButtonDown(doc.edit, mouse, 10, 100);
        MarkBlockStart(doc.edit);
        EditorKeyDown(doc.edit, vk::kNext, false);
        MarkBlockEnd(doc.edit);
        for (auto command :
             {CopyBlock, CutBlock, PasteBlock, InterpolateParameter, InterpolateVelocity})
            command(doc.edit);
        std::lock_guard lock(doc.mutex);
        BuildDisplayModel(doc.edit, model);
        doc.StopPlayback();
    }
}

INSTANTIATE_TEST_SUITE_P(OneOfEachKind, DamagedSongs, ::testing::ValuesIn(kDamagedSongs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvel

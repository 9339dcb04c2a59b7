// Mute and solo at the recording port: a silenced track sends no notes but its controllers and
// programs, and silencing a track releases its sounding notes at once, where they went.
#include <gmock/gmock.h>

#include "editor/TrackMuting.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;

using TrackMute = testing::DocumentTest;

TEST_F(TrackMute, ASilencedTrackReleasesItsNoteAtOnceThenSendsControllersAndProgramsButNoNotes) {
    Hold();
    doc.song.channelDevice[1] = 1;
    // Tracks 0 and 1 each play a pattern: a controller and a note every line, in the first
    // column and in the last.
    for (int track = 0; track < 2; ++track) {
        doc.song.sequence[0][track] = {static_cast<std::uint8_t>(track), 0, 0};
        for (int line = 0; line < 4; ++line)
            Cell(line, 15 * track, track) = {static_cast<std::uint8_t>(60 + track + line), 0x50,
                                             0x07, 0x40};
    }
    Cell(1, 1) = {kNoNote, 0xFF, 0xB0, 0x05};  // a program change
    // At BPM 125 a line is 60 ticks.
    const auto line = [&] {
        for (int i = 0; i < 60; ++i) doc.PlayerTick();
        return t.TakeSent();
    };
    doc.StartPlayback(kSongMode);
    line();
    FlipTrackMute(doc.songEditor, 1);
    EXPECT_THAT(t.TakeSent(), ElementsAre("81 3d 64@1"));
    FlipTrackMute(doc.songEditor, 1);  // back: the next line's note sounds again

    // A solo silences every other track, and ends with the last solo.
    FlipTrackSolo(doc.songEditor, 1);
    EXPECT_THAT(t.TakeSent(), ElementsAre("80 3c 64@0"));
    EXPECT_THAT(line(), ElementsAre("b0 07 40@0", "b0 07 40@1", "c0 05@0", "c0 05@1", "b1 07 40@0",
                                    "b1 07 40@1", "91 3e 50@1"));
    FlipTrackSolo(doc.songEditor, 1);
    EXPECT_THAT(line(), ::testing::Contains("90 3e 50@0"));
}

}  // namespace
}  // namespace tarvel

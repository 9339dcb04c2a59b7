// Songs in from MIDI files and out as MIDI and audio files: imports cut short that still end
// every note, and the document's exports to real files, which leave the live player, its ports
// and any old file alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>
#include <tuple>

#include "song/SongOps.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::TestDocument;

// (channel, key, velocity, first line, line of the note-off)
using Note = std::tuple<int, int, int, std::uint32_t, std::uint32_t>;

// A file of notes at 24 ticks a line and 125 BPM, a tempo whose lines (120 ms) a file says
// exactly.
MidiFileData FileOf(const std::vector<Note>& notes) {
    MidiFileData file{.format = 0, .division = 96, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    track.AddMeta(0, kMetaTempo, std::vector<std::uint8_t>{0x07, 0x53, 0x00});
    for (const auto& [channel, key, velocity, on, off] : notes) {
        track.AddMessage(on * 24, static_cast<std::uint8_t>(0x90 | channel), key, velocity);
        track.AddMessage(off * 24, static_cast<std::uint8_t>(0x80 | channel), key, 64);
    }
    std::stable_sort(track.events.begin(), track.events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    return file;
}

// Note starts and ends as (channel, line, key, velocity of a start or 0), however they pair.
std::multiset<std::tuple<int, std::uint32_t, int, int>> NoteEvents(const MidiFileData& file) {
    std::multiset<std::tuple<int, std::uint32_t, int, int>> events;
    for (const MidiTrack& track : file.tracks)
        for (const MidiEvent& e : track.events)
            if ((e.status & 0xE0) == 0x80)
                events.emplace(e.status & 0x0F, e.tick / 24, e.data1,
                               (e.status & 0xF0) == 0x90 ? e.data2 : 0);
    return events;
}

std::unique_ptr<Song> Imported(const MidiFileData& file, int lines, MidiImportReport& report) {
    auto song = std::make_unique<Song>();
    MakeNewSong(*song);
    report = ImportMidiFile(file, *song, {.patternLines = lines});
    return song;
}

// Where the patterns run out or the grid ends, the notes laid before the cut end there: after
// one pass of the song nothing is left sounding for the stop to release.
TEST(SongExchange, ImportsCutShortEndEveryNoteAtTheCut) {
    const auto distinct = [](std::uint32_t stretch) {  // a pattern of 16 lines each
        return Note{0, 20 + stretch % 100, 1 + stretch / 100, stretch * 16, stretch * 16 + 1};
    };
    struct Case {
        const char* what;
        std::vector<Note> notes;
        int lines;
        const char* report;
        int endRow;
    };
    Case cases[] = {
        {"a note sounds into the stretch where the patterns ran out",
         {},
         16,
         "Imported 128 notes; 1 dropped: more than 128 patterns (1).",
         127 * 16},
        {"ending it takes a pattern too many: the stretch before goes too",
         {},
         16,
         "Imported 126 notes; 3 dropped: more than 128 patterns (3).",
         125 * 16},
        {"released past the grid, and one starting on its last line",
         {{0, 60, 90, 16380, 16390}, {2, 64, 90, 16383, 16400}},
         64,
         "Imported 1 note; 1 dropped: song longer than the grid (1).",
         kSequenceRows},
    };
    for (std::uint32_t s = 0; s < 128; ++s) cases[0].notes.push_back(distinct(s));
    cases[0].notes.emplace_back(1, 90, 50, 126 * 16 + 8, 127 * 16 + 4);
    for (std::uint32_t s = 0; s < 127; ++s) cases[1].notes.push_back(distinct(s));
    cases[1].notes.emplace_back(1, 90, 50, 8, 20);  // its pattern is the one at row 2000 too
    cases[1].notes.emplace_back(1, 90, 50, 125 * 16 + 8, 126 * 16 + 4);

    for (const Case& c : cases) {
        MidiImportReport report;
        const auto song = Imported(FileOf(c.notes), c.lines, report);
        EXPECT_EQ(MidiImportReportText(report), c.report) << c.what;
        RenderedPass pass;
        std::string whyNot;
        ASSERT_TRUE(RenderSongPass(*song, report.endRow, pass, whyNot)) << whyNot;
        EXPECT_EQ(pass.LineCount(), c.endRow) << c.what;
        EXPECT_TRUE(std::none_of(pass.messages.begin(), pass.messages.end(),
                                 [&](const RenderedMessage& m) { return m.line == c.endRow; }))
            << c.what;  // what the stop would release
    }
}

// While the document plays a note, a MIDI and an audio export render copies of their own.
TEST(SongExchange, ExportsLeaveThePlayerThePortsAndOldFilesAlone) {
    TempFolder folder;
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        doc.song.patterns[0].cells[0][0] = {60, 0x50, kNoCommand, 0};
        doc.song.sequence[0][0] = {0, 0, 0};
        doc.editor.loopEndRow = 8;  // 960 ms
        doc.StartPlayback(kSongMode);
        for (int tick = 0; tick < 10; ++tick) doc.PlayerTick();
    }
    t.Settle();
    ASSERT_TRUE(doc.ExportMidiSong(folder.Path("song.mid")));
    MidiFileData read;
    std::string whyNot;
    ASSERT_TRUE(ReadMidiFile(ReadBytes(folder.Path("song.mid")), read, whyNot)) << whyNot;
    EXPECT_EQ(NoteEvents(read), NoteEvents(FileOf({{0, 60, 0x50, 0, 8}})));

#ifdef _WIN32
    const bool haveSynth = false;  // no built-in synth in a Windows build yet
#else
    const bool haveSynth = std::filesystem::exists(SynthMidiOut::kDefaultSoundFont);
#endif
    if (haveSynth) {
        // Cancelled halfway, or failing at the rename (the target is a folder): the old file
        // stays as it was and nothing else is left behind.
        const std::string wav = folder.Path("song.wav");
        testing::WriteBytes(wav, {'o', 'l', 'd'});
        std::filesystem::create_directory(folder.Path("folder.wav"));
        EXPECT_EQ(doc.ExportAudioSong(wav, {}, [](double done) { return done < 0.5; }),
                  ExportOutcome::Cancelled);
        EXPECT_EQ(doc.ExportAudioSong(folder.Path("folder.wav"), {}, {}), ExportOutcome::Failed);
        EXPECT_NE(t.ui.Messages().back().text.find("(replacing the old file failed: Is a"),
                  std::string::npos);
        EXPECT_EQ(ReadBytes(wav), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(doc.ExportAudioSong(wav, {}, {}), ExportOutcome::Done);
        EXPECT_EQ(ReadBytes(wav).size(), 44 + 130560u * 4);  // 2.96 s in blocks of 64 frames
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"folder.wav", "song.mid", "song.wav"}));
    }
    EXPECT_FALSE(doc.ExportMidiSong(folder.Path("no/folder/song.mid")));
    EXPECT_EQ(t.midi.Messages().size(), 0u);
    std::lock_guard lock(doc.mutex);
    EXPECT_EQ(doc.song.soundingNote[0][0], 60);
    EXPECT_EQ(doc.player.playWatch, 20);
    EXPECT_EQ(t.ui.Messages().back().text,
              "The MIDI file could not be saved as\n" + folder.Path("no/folder/song.mid") +
                  "\n(cannot create a file in its folder: No such file or directory).\nA file "
                  "that was there before is unchanged.");
}

}  // namespace
}  // namespace tarvel

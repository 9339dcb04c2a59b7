// Songs in from MIDI files and out as MIDI and audio files: real files on disk, read back by our
// reader and by mido, the live player and ports left alone, and imports cut short that still end
// every note.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <tuple>

#include "song/SongOps.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::TestDocument;
using testing::WriteBytes;

constexpr std::uint32_t kTicksPerLine = 24;  // 96 a quarter note, in and out

// (channel, key, velocity, first line, line of the note-off)
using Note = std::tuple<int, int, int, std::uint32_t, std::uint32_t>;

// A file of notes at 125 BPM: the tempo whose lines (120 ms) a file's tempo says exactly.
MidiFileData FileOf(const std::vector<Note>& notes) {
    MidiFileData file{.format = 0, .division = 96, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    track.AddMeta(0, kMetaTempo, std::vector<std::uint8_t>{0x07, 0x53, 0x00});
    for (const auto& [channel, key, velocity, on, off] : notes) {
        track.AddMessage(on * kTicksPerLine, static_cast<std::uint8_t>(0x90 | channel), key,
                         velocity);
        track.AddMessage(off * kTicksPerLine, static_cast<std::uint8_t>(0x80 | channel), key, 64);
    }
    std::stable_sort(track.events.begin(), track.events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    return file;
}

// The notes of a file, each note-off paired with the earliest open note of its key.
std::vector<Note> NotesOf(const MidiFileData& file) {
    std::vector<Note> notes;
    std::map<std::pair<int, int>, std::vector<std::size_t>> open;
    for (const MidiTrack& track : file.tracks)
        for (const MidiEvent& event : track.events) {
            const int kind = event.status & 0xF0;
            if (kind != 0x80 && kind != 0x90) continue;
            auto& sounding = open[{event.status & 0x0F, event.data1}];
            const std::uint32_t line = event.tick / kTicksPerLine;
            if (kind == 0x90 && event.data2 > 0) {
                sounding.push_back(notes.size());
                notes.emplace_back(event.status & 0x0F, event.data1, event.data2, line, 0);
            } else if (!sounding.empty()) {
                std::get<4>(notes[sounding.front()]) = line;
                sounding.erase(sounding.begin());
            }
        }
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::unique_ptr<Song> Imported(const MidiFileData& file, int lines, MidiImportReport& report) {
    auto song = std::make_unique<Song>();
    MakeNewSong(*song);
    report = ImportMidiFile(file, *song, {.patternLines = lines});
    return song;
}

TEST(SongExchange, ImportThenExportGivesBackTheNotesOnLinesAndTheTempo) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        std::vector<Note> notes;
        std::vector<int> busy(kTrackCount * 128 * 300);  // [channel][key][line]
        for (int n = 0; n < 600; ++n) {
            const int channel = static_cast<int>(random() % 16);
            const int key = 30 + static_cast<int>(random() % 60);
            const auto start = static_cast<std::uint32_t>(random() % 250);
            const auto end = start + 1 + static_cast<std::uint32_t>(random() % 30);
            int* lines = &busy[(channel * 128 + key) * 300];
            if (std::any_of(lines + start, lines + end, [](int used) { return used; })) continue;
            std::fill(lines + start, lines + end, 1);
            notes.emplace_back(channel, key, 1 + static_cast<int>(random() % 127), start, end);
        }
        MidiImportReport report;
        const auto song = Imported(FileOf(notes), 64, report);
        ASSERT_EQ(report.Dropped(), 0);

        MidiFileData exported;
        MidiExportReport lost;
        std::string whyNot;
        ASSERT_TRUE(ExportSongAsMidi(*song, report.endRow, exported, lost, whyNot)) << whyNot;
        MidiFileData read;
        ASSERT_TRUE(ReadMidiFile(WriteMidiFile(exported), read, whyNot)) << whyNot;
        std::sort(notes.begin(), notes.end());
        EXPECT_EQ(NotesOf(read), notes) << seed;
        EXPECT_EQ(read.tracks[0].DataOf(read.tracks[0].events[1]).size(), 3u);
        EXPECT_EQ(read.tracks[0].data[4], 0x07);  // after the meter: the same 480,000 us
        EXPECT_EQ(read.tracks[0].data[5], 0x53);
    }
}

// Where the patterns run out or the grid ends, the notes laid before the cut end there: when
// the song has played once, nothing is left sounding for the stop to release.
TEST(SongExchange, ImportsCutShortEndEveryNoteAtTheCut) {
    const auto distinctNote = [](std::uint32_t stretch) {  // one pattern of 16 lines each
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
        {"a note sounds across the stretch the patterns ran out at",
         {},
         16,
         "Imported 128 notes; 1 dropped: more than 128 patterns (1).",
         127 * 16},
        {"ending it would take one pattern more: the stretch before goes too",
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
    for (std::uint32_t s = 0; s < 128; ++s) cases[0].notes.push_back(distinctNote(s));
    cases[0].notes.emplace_back(1, 90, 50, 126 * 16 + 8, 127 * 16 + 4);
    for (std::uint32_t s = 0; s < 127; ++s) cases[1].notes.push_back(distinctNote(s));
    cases[1].notes.emplace_back(1, 90, 50, 8, 20);  // its pattern: the one at row 2000 again
    cases[1].notes.emplace_back(1, 90, 50, 125 * 16 + 8, 126 * 16 + 4);

    for (const Case& c : cases) {
        MidiImportReport report;
        const auto song = Imported(FileOf(c.notes), c.lines, report);
        EXPECT_EQ(MidiImportReportText(report), c.report) << c.what;
        EXPECT_EQ(report.endRow, c.endRow) << c.what;
        RenderedPass pass;
        std::string whyNot;
        ASSERT_TRUE(RenderSongPass(*song, report.endRow, pass, whyNot)) << whyNot;
        EXPECT_EQ(pass.LineCount(), c.endRow);
        const auto released =
            std::count_if(pass.messages.begin(), pass.messages.end(),
                          [&](const RenderedMessage& m) { return m.line == pass.LineCount(); });
        EXPECT_EQ(released, 0) << c.what;
    }
}

TEST(SongExchange, ImportReplacesTheSongAndARefusedFileChangesNothing) {
    TempFolder folder;
    const std::vector<std::uint8_t> file = WriteMidiFile(FileOf({{3, 60, 90, 0, 4}}));
    WriteBytes(folder.Path("in.mid"), file);
    WriteBytes(folder.Path("cut.mid"), {file.begin(), file.begin() + 30});
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        doc.song.channelVelocity[5] = 7;
        doc.editor.loopEndRow = 99;
    }
    for (const char* refused : {"cut.mid", "missing.mid"})
        EXPECT_FALSE(doc.ImportMidiSong(folder.Path(refused), 32)) << refused;
    ASSERT_EQ(t.ui.Messages().size(), 2u);
    EXPECT_EQ(t.ui.Messages()[0].text, "The MIDI file\n" + folder.Path("cut.mid") +
                                           "\ncould not be imported (chunk \"MTrk\" at byte 14 "
                                           "claims 19 bytes, but only 8 follow).");
    EXPECT_NE(t.ui.Messages()[1].text.find("(cannot open: No such file"), std::string::npos);
    {
        std::lock_guard lock(doc.mutex);
        EXPECT_EQ(doc.song.channelVelocity[5], 7);
        EXPECT_EQ(doc.editor.loopEndRow, 99);
    }

    const auto report = doc.ImportMidiSong(folder.Path("in.mid"), 32);
    ASSERT_TRUE(report);
    EXPECT_EQ(MidiImportReportText(*report), "Imported 1 note.");
    std::lock_guard lock(doc.mutex);
    EXPECT_EQ(doc.song.channelVelocity[5], 100);
    EXPECT_EQ(doc.song.sequence[0][3].pattern, 0);
    EXPECT_EQ(doc.song.patterns[0].lineCount, 32);
    EXPECT_EQ(doc.editor.loopStartRow, 0);
    EXPECT_EQ(doc.editor.loopEndRow, 32);
}

// A song of one note, while the document plays another: the export renders a copy of its own.
TEST(SongExchange, ExportsLeaveTheLivePlayerAndPortsAsTheyWere) {
    TempFolder folder;
    TestDocument t;
    t.Settle();
    CFennoralDoc& doc = *t.doc;
    std::int32_t soundingBefore;
    std::int32_t watchBefore;
    {
        std::lock_guard lock(doc.mutex);
        doc.song.patterns[0].cells[0][0] = {60, 0x50, kNoCommand, 0};
        doc.song.sequence[0][0] = {0, 0, 0};
        doc.StartPlayback(kSongMode);
        for (int tick = 0; tick < 10; ++tick) doc.PlayerTick();
        soundingBefore = doc.song.soundingNote[0][0];
        watchBefore = doc.player.playWatch;
    }
    t.midi.Clear();
    const auto report = doc.ExportMidiSong(folder.Path("song.mid"));
    ASSERT_TRUE(report);
    EXPECT_EQ(t.midi.Messages().size(), 0u);
    {
        std::lock_guard lock(doc.mutex);
        EXPECT_EQ(doc.song.soundingNote[0][0], soundingBefore);
        EXPECT_EQ(soundingBefore, 60);
        EXPECT_EQ(doc.player.playWatch, watchBefore);
        EXPECT_TRUE(doc.player.isPlaying);
    }
    MidiFileData read;
    std::string whyNot;
    ASSERT_TRUE(ReadMidiFile(ReadBytes(folder.Path("song.mid")), read, whyNot)) << whyNot;
    EXPECT_EQ(NotesOf(read), (std::vector<Note>{{0, 60, 0x50, 0, 64}}));  // released at the end

    EXPECT_FALSE(doc.ExportMidiSong(folder.Path("no/such/folder/song.mid")));
    ASSERT_FALSE(t.ui.Messages().empty());
    EXPECT_EQ(t.ui.Messages().back().text,
              "The MIDI file could not be saved as\n" + folder.Path("no/such/folder/song.mid") +
                  "\n(cannot create a file in its folder: No such file or directory).\nA file "
                  "that was there before is unchanged.");
}

// The byte count of a WAV file's "data" chunk.
std::uint32_t WavDataSize(const std::vector<std::uint8_t>& wav) {
    for (std::size_t at = 12; at + 8 <= wav.size();) {
        std::uint32_t size;
        std::memcpy(&size, &wav[at + 4], 4);
        if (std::memcmp(&wav[at], "data", 4) == 0) return size;
        at += 8 + size + (size & 1);
    }
    return 0;
}

TEST(SongExchange, AudioExportWritesTheWholeFileOrLeavesTheOldOneAlone) {
    if (!std::filesystem::exists(SynthMidiOut::kDefaultSoundFont))
        GTEST_SKIP() << "no General MIDI SoundFont at " << SynthMidiOut::kDefaultSoundFont;
    TempFolder folder;
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        doc.song.patterns[0].cells[0][0] = {60, 0x70, kNoCommand, 0};
        doc.song.sequence[0][0] = {0, 0, 0};
        doc.editor.loopEndRow = 8;  // 960 ms
    }
    const std::string wav = folder.Path("song.wav");
    AudioExportSettings settings;
    ASSERT_EQ(doc.ExportAudioSong(wav, settings, {}), ExportOutcome::Done);
    // 0.96 s of song and 2 s of tail at 44,100 Hz are 130,536 frames; in whole blocks of 64,
    // 130,560 frames of two 16-bit samples.
    const std::vector<std::uint8_t> written = ReadBytes(wav);
    EXPECT_EQ(WavDataSize(written), 130560u * 4);

    settings.format = {AudioFileType::Flac, 48000, 24};
    ASSERT_EQ(doc.ExportAudioSong(folder.Path("song.flac"), settings, {}), ExportOutcome::Done);
    EXPECT_EQ(ReadBytes(folder.Path("song.flac")).size() > 4 &&
                  std::memcmp(ReadBytes(folder.Path("song.flac")).data(), "fLaC", 4) == 0,
              true);

    // Cancelled halfway, or failing at the rename (the target is a folder): the old files stay
    // as they were and nothing else is left behind.
    settings.format = {};
    std::filesystem::create_directory(folder.Path("folder.wav"));
    EXPECT_EQ(doc.ExportAudioSong(wav, settings, [](double done) { return done < 0.5; }),
              ExportOutcome::Cancelled);
    EXPECT_EQ(ReadBytes(wav), written);
    EXPECT_EQ(doc.ExportAudioSong(folder.Path("folder.wav"), settings, {}), ExportOutcome::Failed);
    EXPECT_NE(t.ui.Messages().back().text.find("(replacing the old file failed: Is a directory)"),
              std::string::npos);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"folder.wav", "song.flac", "song.wav"}));
    settings.soundFont = folder.Path("song.wav");
    EXPECT_EQ(doc.ExportAudioSong(folder.Path("other.wav"), settings, {}), ExportOutcome::Failed);
    EXPECT_NE(t.ui.Messages().back().text.find("could not be loaded"), std::string::npos);
    EXPECT_EQ(folder.Names().size(), 3u);
}

// Runs a command, giving its exit status and what it printed.
int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    return pclose(pipe);
}

// An independent reader: the exported demo, as mido reads it, holds the notes and controllers
// that the recording port receives from playing the demo, channel by channel and in order, each
// in the line it was played in.
TEST(SongExchange, ExportedDemoReadsInMidoAsPlayingItSends) {
    std::string output;
    if (RunCommand("/usr/bin/python3 -c 'import mido'", output) != 0)
        GTEST_SKIP() << "python3-mido is not installed: " << output;
    TempFolder folder;
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    ASSERT_TRUE(doc.LoadSong(TARVEL_SOURCE_DIR "/examples/demo.trv"));
    ASSERT_TRUE(doc.ExportMidiSong(folder.Path("demo.mid")));
    t.Settle();

    std::vector<RecordedMessage> played;
    {
        std::lock_guard lock(doc.mutex);
        const int rows = doc.editor.loopEndRow;
        doc.StartPlayback(kSongMode);
        for (int line = -1;;) {
            if (doc.player.lineClock == 0 && ++line == rows) break;
            t.midi.SetStamp(line);
            doc.PlayerTick();
        }
        t.midi.SetStamp(rows);
        doc.StopPlayback();
        played = t.midi.Messages();
    }
    std::stable_sort(played.begin(), played.end(), [](const auto& a, const auto& b) {
        return (a.bytes[0] & 0x0F) < (b.bytes[0] & 0x0F);
    });
    std::string expected;
    for (const RecordedMessage& m : played) {
        const char* type = (m.bytes[0] & 0xF0) == 0x90   ? "note_on"
                           : (m.bytes[0] & 0xF0) == 0x80 ? "note_off"
                           : (m.bytes[0] & 0xF0) == 0xB0 ? "control_change"
                                                         : nullptr;
        if (!type) continue;
        std::ostringstream line;
        line << (m.bytes[0] & 0x0F) << ' ' << m.stamp << ' ' << type << ' ' << int{m.bytes[1]}
             << ' ' << int{m.bytes[2]} << '\n';
        expected += line.str();
    }
    ASSERT_EQ(RunCommand("/usr/bin/python3 " TARVEL_SOURCE_DIR "/tests/support/midi_events.py " +
                             folder.Path("demo.mid"),
                         output),
              0)
        << output;
    EXPECT_EQ(output, expected);
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 1500);
}

}  // namespace
}  // namespace tarvel

// Import and export from the File menu: the questions, the order they come in, the boxes after,
// and the files on disk.
#include <QDir>
#include <filesystem>

#include "AppFixture.h"
#include "song/MidiFile.h"
#include "support/TempFolder.h"

namespace tarvel::testing {
namespace {

using SongExchangeWindowTest = AppTest;

TEST_F(SongExchangeWindowTest, ImportAsksToSaveAChangedSongFirstAndShowsWhatCameIn) {
    MidiFileData file{.format = 0, .division = 96, .tracks = {{}}};
    file.tracks[0].AddMessage(0, 0x92, 60, 90);
    file.tracks[0].AddMessage(96, 0xE2, 0, 64);  // pitch bend: dropped
    file.tracks[0].AddMessage(96, 0x82, 60, 0);
    const std::vector<std::uint8_t> bytes = WriteMidiFile(file);
    WriteBytes(PathOf("in.mid"), bytes);
    WriteBytes(PathOf("cut.mid"), {bytes.begin(), bytes.end() - 2});
    Edit(60, 0x40);
    services.calls.clear();
    services.saveAnswer = SaveAnswer::Cancel;
    services.midiFile = PathOf("cut.mid");
    services.patternLines = 32;
    frame().Execute(cmd::kImportMidiFile);
    EXPECT_EQ(services.calls, std::vector<std::string>{"ask-save"});
    // A damaged file is refused and said so; the song stays.
    services.saveAnswer = SaveAnswer::No;
    frame().Execute(cmd::kImportMidiFile);
    EXPECT_EQ(services.messages.back().text,
              "The MIDI file\n" + PathOf("cut.mid") +
                  "\ncould not be imported (chunk \"MTrk\" at byte 14 claims 16 bytes, but only "
                  "14 follow).");
    EXPECT_EQ(Cell().velocity, 0x40);

    services.calls.clear();
    services.midiFile = PathOf("in.mid");
    frame().Execute(cmd::kImportMidiFile);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"ask-save", "choose-midi-import",
                                                        "pattern-lines", "message:MIDI import"}));
    EXPECT_EQ(services.messages.back().text, "Imported 1 note; 1 dropped: pitch bend (1).");
    EXPECT_EQ(Cell().velocity, 90);  // the old song's is gone
    auto doc = Locked();
    EXPECT_EQ(doc->song.sequence[0][2].pattern, 0);
    EXPECT_EQ(doc->song.patterns[0].lineCount, 32);
    EXPECT_EQ(doc->editor.loopEndRow, 32);
    // Saved nowhere yet: an untitled song that closing offers to save.
    EXPECT_EQ(frame().windowTitle(), "Untitled* - Tarvel");
}

TEST_F(SongExchangeWindowTest, ExportsWriteTheirFilesOrCancelWithTheProgressBox) {
    Edit(60, 0x40, 0xF8);  // a note, and a timing clock no file can hold
    Locked()->song.sequence[0][0] = {0, 0, 0};
    services.midiFile = PathOf("song.mid");
    frame().Execute(cmd::kExportMidiFile);
    EXPECT_EQ(services.messages.back().text,
              "1 real-time message could not be stored in a MIDI file.");
    if (!std::filesystem::exists(SynthMidiOut::kDefaultSoundFont)) GTEST_SKIP();
    services.audioFile = AudioFileChoice{PathOf("song.flac"), {AudioFileType::Flac, 48000, 16}};
    services.cancelAt = 0.3;
    frame().Execute(cmd::kExportAudioFile);
    EXPECT_EQ(services.Last(), "progress:Exporting " + PathOf("song.flac"));
    EXPECT_EQ(QDir(settingsDir.path()).entryList({"song*"}), QStringList{"song.mid"});
}

}  // namespace
}  // namespace tarvel::testing

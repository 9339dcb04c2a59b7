// Opening and saving songs from the window: titles, the recent files, refused files, failed
// saves and the question before a changed song is replaced; import and export from the File menu:
// the questions, the order they come in, the boxes after, and the files on disk.
#include <QDir>
#include <filesystem>
#include <functional>
#include <random>

#include "AppFixture.h"
#include "song/MidiFile.h"
#include "support/TempFolder.h"

namespace tarvel::testing {
namespace {

class SongFilesTest : public AppTest {
  public:
    // Saves the song, changed to `velocity`, under `name`.
    void SaveAs(const char* name, std::uint8_t velocity) {
        Edit(kNoNote, velocity);
        services.songToSave = PathOf(name);
        frame().Execute(cmd::kFileSaveAs);
    }
};

// Neither a cancelled file chooser nor a failed save lets the changed song go; Save As names
// the song, and later saves go there without asking.
TEST_F(SongFilesTest, ASongIsKeptUntilSavedAndLaterSavesGoWhereSaveAsPutIt) {
    Edit(kNoNote, 0x55);
    services.saveAnswer = SaveAnswer::Yes;
    for (const char* name : {"", "no-such-folder/song.trv"}) {
        services.songToSave = *name ? std::optional(PathOf(name)) : std::nullopt;
        EXPECT_FALSE(frame().close()) << name;
    }
    EXPECT_TRUE(app->IsSongChanged());
    EXPECT_EQ(Cell().velocity, 0x55);

    SaveAs("first.trv", 0x40);
    EXPECT_EQ(frame().windowTitle(), "first.trv - Tarvel");
    Edit(kNoNote, 0x41);
    services.calls.clear();
    frame().Execute(cmd::kFileSave);
    EXPECT_TRUE(services.calls.empty());
    EXPECT_FALSE(app->IsSongChanged());

    Edit(kNoNote, 0x55);  // closing with Yes saves first
    EXPECT_TRUE(frame().close());
    ASSERT_TRUE(doc().LoadSong(PathOf("first.trv")));  // read back from the file
    EXPECT_EQ(Cell().velocity, 0x55);
}

// New, Open, a recent file, a dropped file, an import and closing ask about a changed song first:
// Cancel keeps it; No lets the file's song replace it.
TEST_F(SongFilesTest, EveryWayOfReplacingAChangedSongAsksFirst) {
    SaveAs("kept.trv", 0x40);
    services.songToOpen = PathOf("kept.trv");
    const std::function<void()> replacements[] = {
        [&] { frame().Execute(cmd::kFileOpen); },
        [&] { frame().Execute(cmd::kRecentFile1); },
        [&] { app->OpenDroppedFile(PathOf("kept.trv")); },
        [&] { frame().Execute(cmd::kImportMidiFile); },
        [&] { frame().Execute(cmd::kFileNew); },
        [&] { EXPECT_FALSE(frame().close()); },
    };
    services.saveAnswer = SaveAnswer::Cancel;
    for (const auto& replace : replacements) {
        Edit(kNoNote, 0x33);
        services.calls.clear();
        replace();
        EXPECT_EQ(services.calls, std::vector<std::string>{"ask-save"});
        EXPECT_EQ(Cell().velocity, 0x33);
    }
    EXPECT_TRUE(midi.IsOpen(0));

    services.saveAnswer = SaveAnswer::No;
    for (int i = 0; i < 3; ++i) {
        replacements[4]();  // New first: the file must name the song again
        EXPECT_EQ(frame().windowTitle(), "Untitled - Tarvel");
        Edit(kNoNote, 0x22);
        replacements[i]();
        EXPECT_EQ(Cell().velocity, 0x40);
        EXPECT_EQ(frame().windowTitle(), "kept.trv - Tarvel");
    }
}

// Any run of saves, openings and files gone: the settings keep the last four songs used, each
// once, most recent first, under the keys they always had; the menu shows as many, and the next
// start reads them back.
TEST_F(SongFilesTest, RecentFilesAreTheLastFourUsedEachOnce) {
    const auto kept = [&] {
        QStringList names;
        for (int i = 0; i < 4; ++i)
            names += (frame().action(cmd::kRecentFile1 + i)->isVisible() ? "" : "(hidden)") +
                     Setting(QString("Recent File List/File%1").arg(i + 1)).toString();
        return names.join(" ").remove(settingsDir.path() + "/").toStdString();
    };
    enum Step { kSave, kOpen, kLose };  // kLose: a recent file removed, then opened
    std::mt19937 random(7);
    QStringList used;
    std::string steps;                                          // what was done, for the message
    for (int step = 0; step < 30 || used.size() < 4; ++step) {  // ends on a full list
        const int roll = random() % 8;  // save, open a recent one, or lose it, now and then
        const Step way = used.isEmpty() || roll < 4 ? kSave : roll < 7 ? kOpen : kLose;
        const int i = used.isEmpty() ? 0 : random() % used.size();
        const QString name =
            way == kSave ? QString("%1.trv").arg(QChar::fromLatin1(char('a' + random() % 6)))
                         : used[i];
        if (way == kLose) QFile::remove(TempFile(qPrintable(name)));
        if (way == kSave)
            SaveAs(qPrintable(name), 0x40);
        else
            frame().Execute(cmd::kRecentFile1 + i);
        used.removeAll(name);
        if (way != kLose) used.prepend(name);
        used = used.mid(0, 4);
        steps += " " + std::string(1, "sol"[way]) + name.toStdString();
        QStringList expected = used;
        while (expected.size() < 4) expected += "(hidden)";
        ASSERT_EQ(kept(), expected.join(" ").toStdString()) << steps;
    }
    ASSERT_TRUE(Start());
    EXPECT_EQ(app->RecentFiles().join(" ").remove(settingsDir.path() + "/").toStdString(),
              used.join(" ").toStdString());
}

// The menu names each in thirty characters at most.
TEST_F(SongFilesTest, RecentFilesShowShortened) {
    frame().ShowRecentFiles({"/home/musician/songs/2026/winter/long-song-name.trv",
                             "/home/musician/songs/winter.trv", "/a/b.trv"});
    const char* shown[] = {"&1 /.../winter/long-song-name.trv", "&2 /.../musician/songs/winter.trv",
                           "&3 /a/b.trv"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame().action(cmd::kRecentFile1 + i)->text(), shown[i]);
}

TEST_F(SongFilesTest, ImportShowsWhatCameInAndLeavesTheSongUntitledAndChanged) {
    MidiFileData file{.format = 0, .division = 96, .tracks = {{}}};
    file.tracks[0].AddMessage(0, 0x92, 60, 90);
    file.tracks[0].AddMessage(96, 0xE2, 0, 64);  // pitch bend: dropped
    file.tracks[0].AddMessage(96, 0x82, 60, 0);
    WriteBytes(PathOf("in.mid"), WriteMidiFile(file));
    SaveAs("old.trv", 0x40);  // the import must not take the old song's file
    Edit(60, 0x40);
    Locked()->song.sequence[100][5] = {0, 0, 0};  // far below anything the import writes
    services.saveAnswer = SaveAnswer::No;
    services.midiFile = PathOf("in.mid");
    services.patternLines = 32;
    services.calls.clear();
    frame().Execute(cmd::kImportMidiFile);
    ASSERT_EQ(services.calls, (std::vector<std::string>{"ask-save", "choose-midi-import",
                                                        "pattern-lines", "message:MIDI import"}));
    EXPECT_EQ(services.messages.back().text, "Imported 1 note; 1 dropped: pitch bend (1).");
    EXPECT_EQ(Locked()->song.patterns[0].lineCount, 32);
    EXPECT_EQ(Locked()->song.sequence[100][5].pattern, kEmptySlot);  // the old song is gone
    // Saved nowhere yet: an untitled song that closing offers to save.
    EXPECT_EQ(frame().windowTitle(), "Untitled* - Tarvel");
}

TEST_F(SongFilesTest, ExportsWriteTheirFilesOrCancelWithTheProgressBox) {
    Edit(60, 0x40, 0xF8);  // a note, and a timing clock no file can hold
    Locked()->song.sequence[0][0] = {0, 0, 0};
    services.midiFile = PathOf("song.mid");
    frame().Execute(cmd::kExportMidiFile);
    ASSERT_FALSE(services.messages.empty());
    EXPECT_EQ(services.messages.back().text,
              "1 real-time message could not be stored in a MIDI file.");
    if (!std::filesystem::exists(SynthMidiOut::kDefaultSoundFont)) GTEST_SKIP();
    services.audioFile = AudioFileChoice{PathOf("song.flac"), {AudioFileType::Flac, 48000, 16}};
    services.cancelAt = 0.3;
    frame().Execute(cmd::kExportAudioFile);
    EXPECT_EQ(services.Last(), "progress:Exporting " + PathOf("song.flac"));
    EXPECT_EQ(QDir(settingsDir.path()).entryList({"song*"}), QStringList{"song.mid"});
}

// The document gives its failures back; the window shows each in its box and keeps the song,
// its title and the recent files as they were.
TEST_F(SongFilesTest, FailedFileCommandsShowTheirBoxesAndChangeNothing) {
    const struct {
        const char* name;
        int command = 0;  // else the panel's button
        int button = 0;
        const char* title = "Error";
        bool ownedByWindow = true;  // a load's box has no owner: it is also the start-up's
    } cases[] = {
        {.name = "a song that is not there", .command = cmd::kFileOpen, .ownedByWindow = false},
        {.name = "a song saved into no folder", .command = cmd::kFileSaveAs},
        {.name = "a MIDI file that is not there", .command = cmd::kImportMidiFile},
        {.name = "MIDI export into no folder", .command = cmd::kExportMidiFile},
        {.name = "a patch list that is not there",
         .button = widget_id::kOpenPatchList,
         .title = "Failed to open patchlist file"},
        {.name = "a patch list saved into no folder",
         .button = widget_id::kSavePatchList,
         .title = "Failed to write patchlist file"},
    };
    // Every chooser names a file in a folder that is not there.
    services.songToOpen = services.songToSave = PathOf("none/song.trv");
    services.midiFile = PathOf("none/song.mid");
    services.patchList = PathOf("none/list.tvp");
    services.patternLines = 64;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.clear();
        c.command ? frame().Execute(c.command) : Click(&frame().panel(), c.button);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(services.messages[0].title, c.title);
        EXPECT_EQ(services.messages[0].ownedByFrame, c.ownedByWindow);
        EXPECT_EQ(frame().windowTitle(), "Untitled - Tarvel");
        EXPECT_TRUE(app->RecentFiles().isEmpty());
    }
}

}  // namespace
}  // namespace tarvel::testing

// Opening and saving songs from the window: titles, the recent files, refused files and the
// question before a changed song is replaced.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <mutex>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "document/EditAction.h"

namespace tarvel::testing {
namespace {

class SongFilesTest : public AppTest {
  public:
    std::string PathOf(const char* name) { return songs.filePath(name).toStdString(); }
    void ChangeSong(std::uint8_t velocity) {
        EditAction typing(doc(), "Typing", {PatternRange(0)});
        std::lock_guard lock(doc().mutex);
        doc().song.patterns[0].cells[0][0].velocity = velocity;
    }
    std::uint8_t Velocity() {
        std::lock_guard lock(doc().mutex);
        return doc().song.patterns[0].cells[0][0].velocity;
    }

    QTemporaryDir songs;
};

TEST_F(SongFilesTest, SaveAsNamesTheSongAndEntersTheRecentFiles) {
    ChangeSong(0x40);
    services.songToSave = PathOf("first.trv");
    frame().Execute(cmd::kFileSaveAs);
    EXPECT_EQ(frame().windowTitle(), "first.trv - Tarvel");
    EXPECT_FALSE(app->IsSongChanged());
    ASSERT_EQ(app->RecentFiles().size(), 1);
    EXPECT_EQ(app->RecentFiles()[0].toStdString(), PathOf("first.trv"));
    EXPECT_TRUE(frame().action(cmd::kRecentFile1)->isVisible());

    // Save now writes to the same name without asking.
    ChangeSong(0x41);
    services.calls.clear();
    frame().Execute(cmd::kFileSave);
    EXPECT_TRUE(services.calls.empty());
    EXPECT_FALSE(app->IsSongChanged());
}

TEST_F(SongFilesTest, OpeningARecentFileBringsItsSongBack) {
    ChangeSong(0x40);
    services.songToSave = PathOf("kept.trv");
    frame().Execute(cmd::kFileSaveAs);
    ChangeSong(0x22);
    services.saveAnswer = SaveAnswer::No;
    frame().Execute(cmd::kRecentFile1);
    EXPECT_EQ(services.calls[services.calls.size() - 2], "ask-save");
    EXPECT_EQ(Velocity(), 0x40);
    EXPECT_EQ(frame().windowTitle(), "kept.trv - Tarvel");
}

TEST_F(SongFilesTest, RefusedFileKeepsTheSongTitleAndRecentFiles) {
    ChangeSong(0x40);
    services.songToSave = PathOf("good.trv");
    frame().Execute(cmd::kFileSaveAs);
    QFile junk(QString::fromStdString(PathOf("junk.trv")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a song");
    junk.close();

    services.songToOpen = PathOf("junk.trv");
    services.messages.clear();
    frame().Execute(cmd::kFileOpen);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(frame().windowTitle(), "good.trv - Tarvel");
    EXPECT_EQ(app->RecentFiles().size(), 1);
    EXPECT_EQ(Velocity(), 0x40);
}

TEST_F(SongFilesTest, OpenOnAChangedSongCancelledKeepsEverything) {
    ChangeSong(0x33);
    services.saveAnswer = SaveAnswer::Cancel;
    services.calls.clear();
    frame().Execute(cmd::kFileOpen);
    EXPECT_EQ(services.calls, std::vector<std::string>{"ask-save"});  // no file chooser
    EXPECT_EQ(Velocity(), 0x33);
}

TEST_F(SongFilesTest, DroppedFileIsOpenedAfterTheQuestion) {
    ChangeSong(0x40);
    services.songToSave = PathOf("dropped.trv");
    frame().Execute(cmd::kFileSaveAs);
    frame().Execute(cmd::kFileNew);
    ChangeSong(0x10);
    services.saveAnswer = SaveAnswer::No;
    app->OpenDroppedFile(PathOf("dropped.trv"));
    EXPECT_EQ(Velocity(), 0x40);
    EXPECT_EQ(frame().windowTitle(), "dropped.trv - Tarvel");
}

TEST_F(SongFilesTest, ClosingWithYesSavesTheSongFirst) {
    services.songToSave = PathOf("closing.trv");
    frame().Execute(cmd::kFileSaveAs);
    ChangeSong(0x55);
    services.saveAnswer = SaveAnswer::Yes;
    EXPECT_TRUE(frame().close());
    EXPECT_FALSE(midi.IsOpen(0));
    // Read back through a fresh document: the change reached the file.
    RecordingMidiOut otherMidi(1);
    ScriptedServices otherServices;
    AppOptions options;
    options.settingsFile = settingsDir.filePath("other.ini");
    options.startTimer = false;
    options.showAboutBox = false;
    CFennoralApp other(otherMidi, otherServices, options);
    other.Start({QString::fromStdString(PathOf("closing.trv"))});
    std::lock_guard lock(other.doc().mutex);
    EXPECT_EQ(other.doc().song.patterns[0].cells[0][0].velocity, 0x55);
    EXPECT_EQ(other.frame().windowTitle(), "closing.trv - Tarvel");
}

TEST_F(SongFilesTest, RecentFilesSurviveInTheSettings) {
    for (const char* name : {"a.trv", "b.trv", "c.trv", "d.trv", "e.trv"}) {
        services.songToSave = PathOf(name);
        frame().Execute(cmd::kFileSaveAs);
    }
    QSettings settings(settingsDir.filePath("tarvel.ini"), QSettings::IniFormat);
    settings.beginGroup("Recent File List");
    EXPECT_EQ(settings.value("File1").toString().toStdString(), PathOf("e.trv"));
    EXPECT_EQ(settings.value("File4").toString().toStdString(), PathOf("b.trv"));
    EXPECT_FALSE(settings.contains("File5"));
}

}  // namespace
}  // namespace tarvel::testing

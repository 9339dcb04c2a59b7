#ifdef _WIN32
#include <windows.h>
#undef ReplaceFile  // windows.h's name for ReplaceFileA
#endif
#include <gmock/gmock.h>

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "platform/Gzip.h"
#include "song/SongFile.h"
#include "support/DenseSong.h"
#include "support/ExerciseSong.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using testing::TempFolder;
using testing::TestDocument;
using testing::WriteBytes;

constexpr const char* kCorrupt = "Corrupt data or damaged/old tarvel song";

std::vector<std::uint8_t> StreamOf(CFennoralDoc& doc) {
    std::vector<std::uint8_t> stream;
    std::lock_guard lock(doc.mutex);
    WriteSongStream(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow, stream);
    return stream;
}

// A song that differs from a new one everywhere a load could leave traces.
void MakeDistinctive(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    doc.song.patterns[5].cells[3][4] = {60, 90, 0x07, 100};
    SetPatternName(doc.song, 5, "Verse");
    doc.song.channelProgram[2] = 40;
    doc.song.soundingNote[7][8] = 66;
    doc.song.sequence[300][9] = {5, -2, 0};
    doc.editor.loopStartRow = 16;
    doc.editor.loopEndRow = 48;
    CopyText(doc.song.header.author, "Ann");
    CopyText(doc.song.header.band, "The Bs");
    CopyText(doc.song.header.date, "1999");
    CopyText(doc.song.header.comments, "line one\r\nline two");
    doc.SetBpm(150);
}

// Saved again over a link to a file, a song replaces that file (which keeps its attributes on
// Windows; its mode, and that a plain file's replacement leaves no temporary, are the safe file's
// test's), and it loads back whole. (That any gzip tool reads it is the window scripts'.)
TEST(SongFile, ASongSavedAgainKeepsItsFileAndLoadsBackWithItsProgramsAndInformation) {
    TempFolder folder;
    const std::string path = folder.Path("song.trv");
    TestDocument saver;
    ASSERT_TRUE(saver.doc->SaveSong(path));
    MakeDistinctive(*saver.doc);
    const std::vector<std::uint8_t> saved = StreamOf(*saver.doc);
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(saver.doc->SaveSong(path));  // links are rare on Windows and not followed
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    // No gzip tool to ask; the command-line check in CI compares the files Windows writes.
    EXPECT_THAT(folder.Names(), ElementsAre("song.trv"));  // no temporary left
#else
    ASSERT_EQ(symlink("song.trv", folder.Path("link.trv").c_str()), 0);
    ASSERT_TRUE(saver.doc->SaveSong(folder.Path("link.trv")));  // what the link names changes
#endif

    TestDocument t(2);
    testing::Locked(*t.doc, [&] { t.doc->NoteOn(3, 1, 60, 100); });
    t.Settle();
    ASSERT_TRUE(t.doc->LoadSong(path));
    EXPECT_EQ(StreamOf(*t.doc), saved);  // loop rows and the note table too
    const std::vector<std::string> sent = t.TakeSent();
    ASSERT_EQ(sent.size(), 33u);
    EXPECT_EQ(sent[0], "83 3c 64@0");       // what sounded stops first
    EXPECT_EQ(sent[1 + 2 * 2], "c2 28@0");  // then a program change per channel and device
    // The panel shows the new song before the box, titled with the file, waits for the user.
    EXPECT_THAT(t.ui.Events(),
                ElementsAre("panel", "program:0", "bpm:150", "invalidate",
                            "message:info:" + std::filesystem::absolute(path).string() +
                                ":Composer: Ann\nBand: The Bs\nDate: 1999\n\nComments\n"
                                "-----------------\n\nline one\r\nline two\n\n\nTarvel - full "
                                "programmable MIDI multitracker"));
    EXPECT_FALSE(t.ui.Messages().at(0).ownedByFrame);
}

TEST(SongFile, RejectedFilesChangeNothing) {
    TempFolder folder;
    TestDocument source;
    const std::vector<std::uint8_t> stream = StreamOf(*source.doc);
    std::vector<std::uint8_t> noNul = stream;
    noNul[4] = 'x';
    std::vector<std::uint8_t> badSum = GzipCompress(stream);
    badSum[badSum.size() - 8] ^= 0xFF;  // the CRC-32 of the gzip trailer
    const std::pair<const char*, std::vector<std::uint8_t>> rejected[] = {
        {"magic without its NUL", GzipCompress(noNul)},
        {"stream not compressed", stream},
        {"empty file", {}},
        {"one byte short", GzipCompress({stream.data(), stream.size() - 1})},
        {"check sum wrong", badSum},
    };
    for (const auto& [name, file] : rejected) {
        SCOPED_TRACE(name);
        WriteBytes(folder.Path("bad.trv"), file);
        TestDocument t;
        MakeDistinctive(*t.doc);
        const std::vector<std::uint8_t> before = StreamOf(*t.doc);
        t.Settle();
        EXPECT_FALSE(Worked(t.ui, t.doc->LoadSong(folder.Path("bad.trv"))));
        EXPECT_EQ(StreamOf(*t.doc), before);  // song and loop rows
        EXPECT_THAT(t.TakeSent(), IsEmpty());
        t.doc->DispatchUiSignals();
        EXPECT_THAT(t.ui.Events(), ElementsAre(std::string("message:error:Error:") + kCorrupt));
        EXPECT_FALSE(t.ui.Messages().at(0).ownedByFrame);
    }
    // A file that cannot be read says why, with its name. (A folder's why is the safe file's
    // test's.)
    TestDocument t;
    EXPECT_FALSE(Worked(t.ui, t.doc->LoadSong(folder.Path("missing.trv"))));
    EXPECT_THAT(t.ui.Events(), ElementsAre(AllOf(StartsWith("message:error:Error:"),
                                                 HasSubstr(folder.Path("missing.trv")))));
}

// A damaged check sum and a stream short of the limit are the rejected files' test's; a whole
// stream, every loaded song's.
TEST(Gzip, ExpansionStopsAtItsLimitAndChecksWhatFitsSoBytesAfterASongAreIgnored) {
    const std::vector<std::uint8_t> bomb = GzipCompress(std::vector<std::uint8_t>(16u << 20));
    std::vector<std::uint8_t> out;
    EXPECT_EQ(GzipExpand(bomb, 1000, out), GzipExpansion::Truncated);

    // A song stream with more after it: the rest is never expanded.
    std::vector<std::uint8_t> longer(kSongStreamSize + 100000, 0xAB);
    std::memcpy(longer.data(), kSongMagic, sizeof kSongMagic);
    ASSERT_TRUE(DecodeSongFile(GzipCompress(longer), out));
    longer.resize(kSongStreamSize);
    EXPECT_EQ(out, longer);
}

// A disk that fills up after 1000 bytes of any file.
ssize_t WriteUntilFull(int fd, const void* data, std::size_t size) {
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at >= 1000) return errno = ENOSPC, -1;
    return write(fd, data, std::min<std::size_t>(size, 1000 - static_cast<std::size_t>(at)));
}

TEST(SongFile, FailedSavesKeepTheOldFileAndSaySo) {
    const struct Failure {
        const char* name;
        void (*inject)(FileCalls&);
    } failures[] = {
        {"disk full", [](FileCalls& c) { c.write = WriteUntilFull; }},
        {"flush fails", [](FileCalls& c) { c.fsync = [](int) { return errno = EIO, -1; }; }},
        {"rename fails",
         [](FileCalls& c) {
             c.rename = [](const char*, const char*) { return errno = EXDEV, -1; };
         }},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        TempFolder folder;
        const std::string path = folder.Path("song.trv");
        const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
        WriteBytes(path, old);

        TestDocument t;
        MakeDistinctive(*t.doc);
        failure.inject(t.doc->fileCalls);
        EXPECT_FALSE(Worked(t.ui, t.doc->SaveSong(path)));

        EXPECT_EQ(testing::ReadBytes(path), old);
        EXPECT_THAT(folder.Names(), ElementsAre("song.trv"));
        EXPECT_THAT(t.ui.Events(),
                    ElementsAre(AllOf(StartsWith("message:error:Error:"), HasSubstr(path))));
    }
}

// Song files that only damage or a foreign program could write, one of each kind of damage done
// to a dense song, loaded through the real loader, then played, shown and edited. The loader
// takes each as it is; whatever reads the song afterwards must stay inside it and never divide
// by zero. The sanitizer builds of this test are what catch a slip; the fuzz target tries many
// more such songs, random ones among them.
TEST(DamagedSongs, LoadAsTheyAreAndArePlayedShownAndEditedInsideTheSong) {
    using Loop = std::int32_t;
    const std::pair<const char*, void (*)(Song&, Loop&, Loop&)> damages[] = {
        {"line duration zero", [](Song& s, Loop&, Loop&) { s.lineDuration = 0; }},
        {"slot patterns past the table",
         [](Song& s, Loop&, Loop&) {
             for (int row = 0; row < 256; ++row)
                 for (int track = 0; track < kTrackCount; ++track)
                     s.sequence[row][track].pattern = static_cast<std::uint8_t>(128 + row % 127);
         }},
        {"line counts out of range",
         [](Song& s, Loop&, Loop&) {
             const std::int32_t counts[] = {0, -1, 300, INT_MAX, INT_MIN};
             for (int k = 0; k < kPatternCount; ++k) s.patterns[k].lineCount = counts[k % 5];
         }},
        {"sounding-note garbage",
         [](Song& s, Loop&, Loop&) {
             const std::int32_t garbage[] = {INT_MIN, INT_MAX, 128, 255, 256, -2};
             for (int i = 0; i < kTrackCount * kTrackCount; ++i)
                 s.soundingNote[i / kTrackCount][i % kTrackCount] = garbage[i % 6];
         }},
        {"loop rows reversed at the int extremes",
         [](Song&, Loop& start, Loop& end) {
             start = INT_MAX;
             end = INT_MIN;
         }},
    };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        TestDocument t(2);
        CFennoralDoc& doc = *t.doc;
        testing::Locked(doc, [&] {
            FillDenseSong(doc, testing::Density::EveryCommand);
            damage(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow);
        });
        const std::vector<std::uint8_t> damaged = StreamOf(doc);
        doc.NewSong();
        ASSERT_TRUE(doc.LoadSongFromBytes(EncodeSongFile(damaged), name));
        EXPECT_EQ(StreamOf(doc), damaged);  // nothing was "repaired"
        testing::ExerciseSong(doc, 1500);
    }
}

}  // namespace
}  // namespace tarvel

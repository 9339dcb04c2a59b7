#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/Gzip.h"
#include "song/SongFile.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::ReadBytes;
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

std::int32_t IntAt(const std::vector<std::uint8_t>& stream, std::size_t offset) {
    return static_cast<std::int32_t>(stream[offset] | stream[offset + 1] << 8 |
                                     stream[offset + 2] << 16 |
                                     static_cast<std::uint32_t>(stream[offset + 3]) << 24);
}

std::string TextAt(const std::vector<std::uint8_t>& stream, std::size_t offset) {
    return reinterpret_cast<const char*>(stream.data() + offset);
}

// A song that differs from a new one everywhere a load could leave traces.
void MakeDistinctive(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    doc.song.patterns[5].cells[3][4] = {60, 90, 0x07, 100};
    SetPatternName(doc.song, 5, "Verse");
    doc.song.channelProgram[2] = 40;
    doc.song.soundingNote[7][8] = 66;
    doc.editor.loopStartRow = 16;
    doc.editor.loopEndRow = 48;
}

TEST(SongFile, EmptySongRoundTripsToTheIdenticalStream) {
    TempFolder folder;
    const std::string path = folder.Path("empty.trv");
    TestDocument saver;
    ASSERT_TRUE(saver.doc->SaveSong(path));
    const std::vector<std::uint8_t> expected = StreamOf(*saver.doc);
    ASSERT_EQ(expected.size(), 2908325u);

    std::vector<std::uint8_t> decoded;
    ASSERT_TRUE(DecodeSongFile(ReadBytes(path), decoded));
    EXPECT_EQ(decoded, expected);

    // Any gzip tool gives the stream back.
    const std::string zcat = "zcat '" + path + "' > '" + folder.Path("zcat.out") + "'";
    ASSERT_EQ(std::system(zcat.c_str()), 0);
    EXPECT_EQ(ReadBytes(folder.Path("zcat.out")), expected);

    TestDocument loader;
    MakeDistinctive(*loader.doc);
    ASSERT_TRUE(loader.doc->LoadSong(path));
    EXPECT_EQ(StreamOf(*loader.doc), expected);
    EXPECT_THAT(folder.Names(), ElementsAre("empty.trv", "zcat.out"));  // no temporary left
}

TEST(SongFile, EveryFieldLandsAtItsStreamOffset) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        Song& song = doc.song;
        song.lineDuration = 0x11223344;
        CopyText(song.header.author, "Author");
        CopyText(song.header.band, "Band");
        CopyText(song.header.date, "Date");
        song.header.comments[2047] = 'C';
        CopyText(song.patterns[0].name, "First");
        song.patterns[127].cells[255][15] = {1, 2, 3, 4};
        song.patterns[127].lineCount = 0x55667788;
        CopyText(song.trackName[15], "Track");
        song.channelDevice[15] = 0xD1;
        song.channelProgram[15] = 0xD2;
        song.soundingNote[15][14] = 0x01020304;
        song.channelVelocity[15] = 0xD3;
        song.patchCount = 0x0A0B0C0D;
        CopyText(song.patchNames[511], "Last");
        song.sequence[16383][15] = {0xE1, -2, 0xE3};
        doc.editor.loopStartRow = -7;
        doc.editor.loopEndRow = 0x7FFFFFFE;
    }
    const std::vector<std::uint8_t> s = StreamOf(doc);
    EXPECT_EQ(std::string(s.begin(), s.begin() + 5), std::string("TRV2\0", 5));
    EXPECT_EQ(IntAt(s, 5), 0x11223344);
    EXPECT_EQ(TextAt(s, 9), "Author");
    EXPECT_EQ(TextAt(s, 41), "Band");
    EXPECT_EQ(TextAt(s, 73), "Date");
    EXPECT_EQ(s[105 + 2047], 'C');
    EXPECT_EQ(TextAt(s, 2153), "First");
    const std::size_t cell = 2153 + 127 * 16420 + 32 + 255 * 64 + 15 * 4;
    EXPECT_THAT(std::vector(s.begin() + cell, s.begin() + cell + 4), ElementsAre(1, 2, 3, 4));
    EXPECT_EQ(IntAt(s, 2153 + 127 * 16420 + 16416), 0x55667788);
    EXPECT_EQ(TextAt(s, 2103913 + 15 * 32), "Track");
    EXPECT_EQ(s[2104425 + 15], 0xD1);
    EXPECT_EQ(s[2104441 + 15], 0xD2);
    EXPECT_EQ(IntAt(s, 2104457 + (15 * 16 + 14) * 4), 0x01020304);
    EXPECT_EQ(s[2105481 + 15], 0xD3);
    EXPECT_EQ(IntAt(s, 2105497), 0x0A0B0C0D);
    EXPECT_EQ(TextAt(s, 2105501 + 511 * 32), "Last");
    const std::size_t slot = 2121885 + 16383 * 48 + 15 * 3;
    EXPECT_THAT(std::vector(s.begin() + slot, s.begin() + slot + 3), ElementsAre(0xE1, 0xFE, 0xE3));
    EXPECT_EQ(IntAt(s, 2908317), -7);
    EXPECT_EQ(IntAt(s, 2908321), 0x7FFFFFFE);
}

// Sees, at the moment a box is shown, how many MIDI messages had been sent.
class BoxWatcher final : public UiHooks {
  public:
    explicit BoxWatcher(RecordingMidiOut& midi) : midi_(midi) {}
    void ShowMessage(const UserMessage& message) override {
        messages.push_back(message);
        sentBeforeBox.push_back(midi_.Messages().size());
    }
    void InvalidateView() override {}
    void SelectProgram(int) override {}
    void ShowBpmText(int bpm) override { bpmShown = bpm; }
    void RefreshPanel() override {}
    void WakeWindowThread() noexcept override {}

    std::vector<UserMessage> messages;
    std::vector<std::size_t> sentBeforeBox;
    int bpmShown = 0;

  private:
    RecordingMidiOut& midi_;
};

TEST(SongFile, GoodLoadRestoresTheSongSendsProgramsThenShowsItsInformation) {
    TempFolder folder;
    const std::string path = folder.Path("song.trv");
    std::vector<std::uint8_t> saved;
    {
        TestDocument saver;
        CFennoralDoc& doc = *saver.doc;
        {
            std::lock_guard lock(doc.mutex);
            CopyText(doc.song.header.author, "Ann");
            CopyText(doc.song.header.band, "The Bs");
            CopyText(doc.song.header.date, "1999");
            CopyText(doc.song.header.comments, "line one\r\nline two");
            doc.SetBpm(150);
        }
        MakeDistinctive(doc);
        ASSERT_TRUE(doc.SaveSong(path));
        saved = StreamOf(doc);
    }

    RecordingMidiOut midi(2);
    BoxWatcher ui(midi);
    CFennoralDoc doc(ui, midi, {.startTimer = false});
    midi.Clear();
    ASSERT_TRUE(doc.LoadSong(path));

    EXPECT_EQ(StreamOf(doc), saved);  // loop rows and soundingNote as saved
    EXPECT_EQ(doc.song.soundingNote[7][8], 66);
    EXPECT_EQ(doc.editor.loopStartRow, 16);
    EXPECT_EQ(doc.editor.loopEndRow, 48);
    EXPECT_EQ(ui.bpmShown, 150);

    const std::vector<RecordedMessage> sent = midi.Messages();
    ASSERT_EQ(sent.size(), 32u);  // a program change per channel on each of the two devices
    EXPECT_EQ(sent[2 * 2].bytes[0], 0xC2);
    EXPECT_EQ(sent[2 * 2].bytes[1], 40);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.sentBeforeBox[0], 32u);
    const UserMessage& box = ui.messages[0];
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_FALSE(box.ownedByFrame);
    EXPECT_EQ(box.title, std::filesystem::absolute(path).string());
    const std::string head =
        "Composer: Ann\nBand: The Bs\nDate: 1999\n\nComments\n-----------------\n\n"
        "line one\r\nline two\n\n\n";
    ASSERT_THAT(box.text, StartsWith(head));
    const std::string signature = box.text.substr(head.size());
    EXPECT_FALSE(signature.empty());
    EXPECT_EQ(signature.find('\n'), std::string::npos);  // one line
}

TEST(SongFile, LoadingWhileNotesSoundReleasesThemFirst) {
    TempFolder folder;
    const std::string path = folder.Path("song.trv");
    TestDocument saver;
    MakeDistinctive(*saver.doc);
    ASSERT_TRUE(saver.doc->SaveSong(path));

    TestDocument t;
    {
        std::lock_guard lock(t.doc->mutex);
        t.doc->NoteOn(3, 1, 60, 100);
        t.doc->song.channelDevice[3] = 0;
    }
    t.TakeSent();
    ASSERT_TRUE(t.doc->LoadSong(path));
    const std::vector<std::string> sent = t.TakeSent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0], "83 3c 64@0");               // the old note stops
    EXPECT_EQ(t.doc->song.soundingNote[7][8], 66);  // the table is the file's
    EXPECT_EQ(t.doc->song.soundingNote[3][1], -1);
}

TEST(SongFile, BytesAfterTheStreamAreIgnored) {
    TestDocument saver;
    MakeDistinctive(*saver.doc);
    std::vector<std::uint8_t> stream = StreamOf(*saver.doc);
    const std::vector<std::uint8_t> expected = stream;
    stream.resize(stream.size() + 100000, 0xAB);

    TestDocument t;
    ASSERT_TRUE(t.doc->LoadSongFromBytes(GzipCompress(stream), "longer"));
    EXPECT_EQ(StreamOf(*t.doc), expected);
}

struct RejectedFile {
    const char* name;
    std::vector<std::uint8_t> (*make)(std::vector<std::uint8_t> stream);
};

std::vector<std::uint8_t> WithByte(std::vector<std::uint8_t> stream, std::size_t at,
                                   std::uint8_t value) {
    stream[at] = value;
    return GzipCompress(stream);
}

const RejectedFile kRejectedFiles[] = {
    {"magic without its NUL", [](auto s) { return WithByte(s, 4, 'x'); }},
    {"another version", [](auto s) { return WithByte(s, 3, '3'); }},
    {"lower-case magic", [](auto s) { return WithByte(s, 0, 't'); }},
    {"stream not compressed", [](auto s) { return s; }},
    {"empty file", [](auto) { return std::vector<std::uint8_t>{}; }},
    {"one byte short",
     [](auto s) {
         s.pop_back();
         return GzipCompress(s);
     }},
    {"only the magic",
     [](auto s) {
         s.resize(5);
         return GzipCompress(s);
     }},
    {"cut in the middle",
     [](auto s) {
         auto file = GzipCompress(s);
         file.resize(file.size() / 2);
         return file;
     }},
    {"check sum wrong",
     [](auto s) {
         auto file = GzipCompress(s);
         file[file.size() - 8] ^= 0xFF;  // the CRC-32 of the gzip trailer
         return file;
     }},
    {"damaged deflate data",
     [](auto s) {
         auto file = GzipCompress(s);
         for (std::size_t i = 20; i < 60; ++i) file[i] = 0xFF;
         return file;
     }},
};

TEST(SongFile, RejectedFilesChangeNothing) {
    TempFolder folder;
    TestDocument source;
    const std::vector<std::uint8_t> stream = StreamOf(*source.doc);

    for (const RejectedFile& rejected : kRejectedFiles) {
        SCOPED_TRACE(rejected.name);
        const std::string path = folder.Path("bad.trv");
        WriteBytes(path, rejected.make(stream));
        TestDocument t;
        MakeDistinctive(*t.doc);
        const std::vector<std::uint8_t> before = StreamOf(*t.doc);
        t.Settle();

        EXPECT_FALSE(t.doc->LoadSong(path));

        EXPECT_EQ(StreamOf(*t.doc), before);  // song and loop rows
        EXPECT_THAT(t.TakeSent(), IsEmpty());
        t.doc->DispatchUiSignals();
        EXPECT_THAT(t.ui.Events(), ElementsAre(std::string("message:error:Error:") + kCorrupt));
        ASSERT_EQ(t.ui.Messages().size(), 1u);
        EXPECT_FALSE(t.ui.Messages()[0].ownedByFrame);
    }
}

TEST(SongFile, FilesThatCannotBeReadAreRejectedWithTheReason) {
    TempFolder folder;
    for (const std::string& path : {folder.Path("missing.trv"), folder.Path("")}) {
        TestDocument t;
        MakeDistinctive(*t.doc);
        const std::vector<std::uint8_t> before = StreamOf(*t.doc);
        t.TakeSent();
        EXPECT_FALSE(t.doc->LoadSong(path));
        EXPECT_EQ(StreamOf(*t.doc), before);
        EXPECT_THAT(t.TakeSent(), IsEmpty());
        ASSERT_EQ(t.ui.Messages().size(), 1u);
        EXPECT_EQ(t.ui.Messages()[0].title, "Error");
        EXPECT_EQ(t.ui.Messages()[0].icon, MessageIcon::Error);
        EXPECT_THAT(t.ui.Messages()[0].text, HasSubstr(path));
    }
}

TEST(Gzip, ExpansionStopsAtItsLimitAndChecksWhatFits) {
    const std::vector<std::uint8_t> zeros(16u << 20);
    const std::vector<std::uint8_t> bomb = GzipCompress(zeros);
    ASSERT_LT(bomb.size(), 40000u);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(GzipExpand(bomb, 1000, out), GzipExpansion::Truncated);
    EXPECT_EQ(out.size(), 1000u);
    EXPECT_LE(out.capacity(), 1000u);

    const std::vector<std::uint8_t> data = {1, 2, 3, 4, 5};
    std::vector<std::uint8_t> file = GzipCompress(data);
    EXPECT_EQ(GzipExpand(file, 5, out), GzipExpansion::Complete);  // exactly fits
    EXPECT_EQ(out, data);
    EXPECT_EQ(GzipExpand(file, 100, out), GzipExpansion::Complete);
    EXPECT_EQ(out, data);
    file[file.size() - 8] ^= 1;
    EXPECT_EQ(GzipExpand(file, 5, out), GzipExpansion::Damaged);
    EXPECT_EQ(GzipExpand(data, 100, out), GzipExpansion::Damaged);
    EXPECT_EQ(GzipExpand({}, 100, out), GzipExpansion::Damaged);
}

// A disk that fills up after 1000 bytes of any file.
ssize_t WriteUntilFull(int fd, const void* data, std::size_t size) {
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at >= 1000) {
        errno = ENOSPC;
        return -1;
    }
    return write(fd, data, std::min<std::size_t>(size, 1000 - static_cast<std::size_t>(at)));
}
int FailingSync(int) {
    errno = EIO;
    return -1;
}
int FailingRename(const char*, const char*) {
    errno = EXDEV;
    return -1;
}

TEST(SongFile, FailedSavesKeepTheOldFileAndSaySo) {
    struct Failure {
        const char* name;
        void (*inject)(FileCalls&);
    };
    const Failure failures[] = {
        {"disk full", [](FileCalls& c) { c.write = WriteUntilFull; }},
        {"flush fails", [](FileCalls& c) { c.fsync = FailingSync; }},
        {"rename fails", [](FileCalls& c) { c.rename = FailingRename; }},
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
        EXPECT_FALSE(t.doc->SaveSong(path));

        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_THAT(folder.Names(), ElementsAre("song.trv"));
        ASSERT_EQ(t.ui.Messages().size(), 1u);
        const UserMessage box = t.ui.Messages()[0];
        EXPECT_EQ(box.icon, MessageIcon::Error);
        EXPECT_EQ(box.title, "Error");
        EXPECT_THAT(box.text, HasSubstr(path));
    }
}

TEST(SongFile, SavesIntoFoldersThatCannotHoldThemFail) {
    TempFolder folder;
    WriteBytes(folder.Path("plain"), {1});
    for (const std::string& path :
         {folder.Path("plain/song.trv"), folder.Path("missing/song.trv"), folder.Path("")}) {
        SCOPED_TRACE(path);
        TestDocument t;
        EXPECT_FALSE(t.doc->SaveSong(path));
        ASSERT_EQ(t.ui.Messages().size(), 1u);
        EXPECT_EQ(t.ui.Messages()[0].title, "Error");
        EXPECT_THAT(t.ui.Messages()[0].text, HasSubstr("song"));
    }
    EXPECT_THAT(folder.Names(), ElementsAre("plain"));
}

TEST(SongFile, SavingAgainReplacesTheFileKeepingItsModeAndLinks) {
    TempFolder folder;
    const std::string path = folder.Path("song.trv");
    TestDocument t;
    ASSERT_TRUE(t.doc->SaveSong(path));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(symlink("song.trv", folder.Path("link.trv").c_str()), 0);
    MakeDistinctive(*t.doc);
    ASSERT_TRUE(t.doc->SaveSong(folder.Path("link.trv")));

    std::vector<std::uint8_t> decoded;
    ASSERT_TRUE(DecodeSongFile(ReadBytes(path), decoded));
    EXPECT_EQ(decoded, StreamOf(*t.doc));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link.trv")));
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_THAT(folder.Names(), ElementsAre("link.trv", "song.trv"));
    EXPECT_THAT(t.ui.Messages(), IsEmpty());
}

// The player reads and writes the song under the lock while songs are saved and opened.
TEST(SongFile, SaveAndLoadShareTheSongWithATickingPlayer) {
    TempFolder folder;
    const std::string path = folder.Path("song.trv");
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    std::atomic<bool> stop{false};
    std::thread ticks([&] {
        unsigned sum = 0;
        while (!stop.load()) {
            std::lock_guard lock(doc.mutex);
            sum += doc.song.patterns[0].cells[0][0].note + doc.song.lineDuration;
            doc.song.soundingNote[0][0] = static_cast<std::int32_t>(sum & 0x7F);
            doc.editor.loopEndRow = doc.editor.loopEndRow;
        }
    });
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(doc.SaveSong(path));
        EXPECT_TRUE(doc.LoadSong(path));
    }
    stop = true;
    ticks.join();
}

TEST(DemoSong, IsARealSongThatLoops) {
    TestDocument t;
    ASSERT_TRUE(t.doc->LoadSong(TARVEL_SOURCE_DIR "/examples/demo.trv"));
    CFennoralDoc& doc = *t.doc;
    std::lock_guard lock(doc.mutex);
    EXPECT_EQ(doc.song.lineDuration, 120);
    EXPECT_EQ(doc.editor.loopStartRow, 0);
    EXPECT_EQ(doc.editor.loopEndRow, 512);
    EXPECT_STRNE(doc.song.header.author, "");

    std::set<int> commands;
    int named = 0;
    for (const Pattern& pattern : doc.song.patterns) {
        if (std::strcmp(pattern.name, "empty") != 0) ++named;
        for (const auto& line : pattern.cells)
            for (const PatternCell& cell : line) commands.insert(cell.command);
    }
    EXPECT_GE(named, 10);
    for (int command : {0x07, 0x0A, 0x5B, 0x80, 0x90, 0xB0, 0xD0, 0xE0})
        EXPECT_TRUE(commands.count(command)) << std::hex << command;
    std::set<int> tracks;
    for (int row = 0; row < 512; ++row)
        for (int track = 0; track < kTrackCount; ++track)
            if (doc.song.sequence[row][track].pattern != kEmptySlot) tracks.insert(track);
    EXPECT_TRUE(tracks.count(9));  // General MIDI drums
    EXPECT_GE(tracks.size(), 4u);
}

}  // namespace
}  // namespace tarvel

// The offline render, timed as the player times what it sends, and the MIDI file made of a
// render, read back by our reader and by mido against what playing sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

#include "engine/MidiExport.h"
#include "song/SongOps.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t length) {
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02x" : "%02x", bytes[i]);
        text += byte;
    }
    return text;
}

// "tick: bytes" for channel messages and escapes, "tick: meta <type> <bytes or name>".
std::vector<std::string> Described(const MidiTrack& track) {
    std::vector<std::string> described;
    for (const MidiEvent& e : track.events) {
        const auto data = track.DataOf(e);
        std::string text = std::to_string(e.tick) + ": ";
        if (e.status == kMetaEvent)
            text += "meta " + Hex(&e.data1, 1) + (data.empty() ? "" : " ") +
                    (e.data1 == kMetaTrackName ? std::string(data.begin(), data.end())
                                               : Hex(data.data(), data.size()));
        else if (e.status == kSysExEscape)
            text += "f7 " + Hex(data.data(), data.size());
        else
            text += Hex(&e.status, (e.status & 0xE0) == 0xC0 ? 2 : 3);
        described.push_back(text);
    }
    return described;
}

// Four lines on track 0 (channel 0, routed to device 1): a gated note, a delayed one, a timing
// clock, then a tempo change to 130 BPM with a retriggered note. Rendered, the messages come at
// the player's times; exported, the file holds the pass with its tempo map and a track for the
// channel named after its program.
TEST(MidiExport, ASongRendersAtThePlayersTimesAndTheFileHoldsThePassWithItsTempoMap) {
    auto song = std::make_unique<Song>();
    MakeNewSong(*song);
    song->channelProgram[0] = 4;
    song->channelDevice[0] = 1;
    auto& cells = song->patterns[0].cells;
    cells[0][0] = {60, 0x50, 0x80, 0};
    cells[1][1] = {62, 0x50, 0xD0, 0};
    cells[1][2] = {kNoNote, 0xFF, 0xF8, 0};
    cells[2][0] = {kNoNote, 0xFF, 0x90, 130};
    cells[2][3] = {64, 0x50, 0xE0, 0};
    song->patterns[0].lineCount = 4;
    song->sequence[0][0] = {0, 0, 0};
    RenderedPass pass;
    std::string whyNot;
    ASSERT_TRUE(RenderSongPass(*song, 4, pass, whyNot)) << whyNot;
    // Lines of 120 ms, then 116 ms (115 rounded up to whole 2 ms ticks; half line at 58).
    EXPECT_EQ(pass.lineStarts, (std::vector<std::int32_t>{0, 120, 240, 356, 472}));
    std::vector<std::string> sent;
    for (const RenderedMessage& m : pass.messages)
        sent.push_back(std::to_string(m.line) + "." + std::to_string(m.msInLine) + "@" +
                       std::to_string(m.ms) + ": " + Hex(m.bytes, m.length));
    EXPECT_EQ(sent, (std::vector<std::string>{
                        "0.0@0: 90 3c 50", "0.60@60: 80 3c 64",  // the gate
                        "1.0@120: f8",                           // once, though to every device
                        "1.60@180: 90 3e 50",                    // the delayed note
                        "2.0@240: 90 40 50", "2.58@298: 80 40 64", "2.58@298: 90 40 50",
                        "4.0@472: 80 3e 64", "4.0@472: 80 40 64",  // the stop after the pass
                    }));

    MidiFileData file;
    MidiExportReport report;
    ASSERT_TRUE(ExportSongAsMidi(*song, 4, file, report, whyNot)) << whyNot;
    MidiFileData read;
    ASSERT_TRUE(ReadMidiFile(WriteMidiFile(file), read, whyNot)) << whyNot;
    EXPECT_EQ(read.division, 96);
    ASSERT_EQ(read.tracks.size(), 2u);
    // 4 lines of 120 ms make a quarter note of 480,000 us; of 116 ms, 464,000 us.
    EXPECT_EQ(Described(read.tracks[0]),
              (std::vector<std::string>{"0: meta 58 04 02 18 08", "0: meta 51 07 53 00",
                                        "48: meta 51 07 14 80", "96: meta 2f"}));
    // 24 ticks a line; within a line, ticks follow its milliseconds (58 of 116 ms: tick 12).
    EXPECT_EQ(
        Described(read.tracks[1]),
        (std::vector<std::string>{"0: meta 03 Electric Piano 1", "0: c0 04", "0: 90 3c 50",
                                  "12: 80 3c 64", "36: 90 3e 50", "48: 90 40 50", "60: 80 40 64",
                                  "60: 90 40 50", "96: 80 3e 64", "96: 80 40 64", "96: meta 2f"}));
    EXPECT_EQ(MidiExportNotice(report), "1 real-time message could not be stored in a MIDI file.");

    song->lineDuration = 5000;  // damaged: 20 s a quarter note, slower than a file can say
    EXPECT_FALSE(ExportSongAsMidi(*song, 4, file, report, whyNot));
    EXPECT_EQ(whyNot, "line 0 lasts 5000 ms, longer than the slowest tempo a MIDI file holds");
    song->lineDuration = 2'000'000'000;  // one line would last 23 days
    EXPECT_FALSE(RenderSongPass(*song, 4, pass, whyNot));
    EXPECT_EQ(whyNot, "the song plays longer than 3 hours; is its tempo damaged?");

    // Every system message a cell can send, a line each: F0 (never sent alone) to FE.
    MakeNewSong(*song);
    song->sequence[0][0] = {0, 0, 0};
    for (int status = 0xF0; status <= 0xFE; ++status)
        song->patterns[0].cells[status - 0xF0][0] = {kNoNote, 0xFF,
                                                     static_cast<std::uint8_t>(status), 0x25};
    ASSERT_TRUE(ExportSongAsMidi(*song, 15, file, report, whyNot)) << whyNot;
    const std::vector<std::string> conductor = Described(file.tracks[0]);
    EXPECT_EQ(std::vector<std::string>(conductor.begin() + 2, conductor.end() - 1),
              (std::vector<std::string>{"24: f7 f1 00", "48: f7 f2 00 25", "72: f7 f3 00",
                                        "144: f7 f6"}));
    EXPECT_EQ(MidiExportNotice(report),
              "7 real-time messages and 3 undefined system messages could not be stored in a MIDI "
              "file.");
}

// The demo played by the document's own player, tick by tick as the clock would; each message
// stamped with its line.
std::vector<RecordedMessage> PlayDemo(testing::TestDocument& t) {
    CFennoralDoc& doc = *t.doc;
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
    return t.midi.Messages();
}

// An independent reader: the exported demo, as mido reads it, holds the notes and controllers
// that the recording port receives from playing the demo, channel by channel and in order, each
// in the line it was played in.
TEST(MidiExport, TheDemoReadByMidoHoldsWhatPlayingItSends) {
#ifdef _WIN32
    GTEST_SKIP() << "runs Python through a POSIX shell; CI compares the Windows export instead";
#endif
    const std::string python = "/usr/bin/python3";
    if (std::system((python + " -c 'import mido' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "python3-mido is not installed";
    testing::TempFolder folder;
    testing::TestDocument t;
    ASSERT_TRUE(t.doc->LoadSong(TARVEL_SOURCE_DIR "/examples/demo.trv"));
    ASSERT_TRUE(t.doc->ExportMidiSong(folder.Path("demo.mid")));
    t.Settle();
    std::vector<RecordedMessage> played = PlayDemo(t);
    std::stable_sort(played.begin(), played.end(), [](const auto& a, const auto& b) {
        return (a.bytes[0] & 0x0F) < (b.bytes[0] & 0x0F);
    });
    std::string expected;
    char line[64];
    for (const RecordedMessage& m : played) {
        const int kind = m.bytes[0] & 0xF0;
        if (kind != 0x80 && kind != 0x90 && kind != 0xB0) continue;
        std::snprintf(line, sizeof line, "%d %d %s %d %d\n", m.bytes[0] & 0x0F,
                      static_cast<int>(m.stamp),
                      kind == 0x90   ? "note_on"
                      : kind == 0x80 ? "note_off"
                                     : "control_change",
                      m.bytes[1], m.bytes[2]);
        expected += line;
    }
    const std::string command = python + " " TARVEL_SOURCE_DIR "/tests/support/midi_events.py " +
                                folder.Path("demo.mid") + " >" + folder.Path("read.txt");
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<std::uint8_t> read = testing::ReadBytes(folder.Path("read.txt"));
    EXPECT_EQ(std::string(read.begin(), read.end()), expected);
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 1500);
}

}  // namespace
}  // namespace tarvel

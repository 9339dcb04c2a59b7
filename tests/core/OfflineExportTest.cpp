// The offline render against the live player, and the MIDI file made of a render.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "engine/MidiExport.h"
#include "song/SongOps.h"
#include "support/RecordingUi.h"

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

// "line.msInLine@ms: bytes"
std::vector<std::string> Described(const RenderedPass& pass) {
    std::vector<std::string> described;
    for (const RenderedMessage& m : pass.messages)
        described.push_back(std::to_string(m.line) + "." + std::to_string(m.msInLine) + "@" +
                            std::to_string(m.ms) + ": " + Hex(m.bytes, m.length));
    return described;
}

// "tick: bytes" for channel messages, "tick: meta <type> <bytes>" and "tick: f7 <bytes>".
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

// A song of four lines on track 0 (channel 0, routed to device 1): a gated note, a delayed one,
// a timing clock, then a tempo change to 130 BPM with a retriggered note.
std::unique_ptr<Song> SmallSong() {
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
    return song;
}

TEST(OfflineRender, SendsAtTheTimesThePlayerWouldAndReleasesEveryNoteAtTheEnd) {
    const auto song = SmallSong();
    RenderedPass pass;
    std::string whyNot;
    ASSERT_TRUE(RenderSongPass(*song, 4, pass, whyNot)) << whyNot;
    // Lines of 120 ms, then 116 ms (115 rounded up to whole 2 ms ticks; half line at 58).
    EXPECT_EQ(pass.lineStarts, (std::vector<std::int32_t>{0, 120, 240, 356, 472}));
    EXPECT_EQ(Described(pass), (std::vector<std::string>{
                                   "0.0@0: 90 3c 50",
                                   "0.60@60: 80 3c 64",   // the gate
                                   "1.0@120: f8",         // once, though sent to every device
                                   "1.60@180: 90 3e 50",  // the delayed note
                                   "2.0@240: 90 40 50",
                                   "2.58@298: 80 40 64",  // the retrigger
                                   "2.58@298: 90 40 50",
                                   "4.0@472: 80 3e 64",  // the stop after the pass
                                   "4.0@472: 80 40 64",
                               }));
    EXPECT_EQ(pass.programs[0], 4);

    ASSERT_TRUE(RenderPatternPass(*song, 0, 5, pass, whyNot)) << whyNot;
    EXPECT_EQ(pass.LengthMs(), 472);
    EXPECT_EQ(Described(pass)[0], "0.0@0: 95 3c 50");
    EXPECT_EQ(Described(pass).back(), "4.0@472: 85 40 64");

    EXPECT_FALSE(RenderPatternPass(*song, 128, 0, pass, whyNot));
    song->lineDuration = 2'000'000'000;  // damaged: one line would last 23 days
    EXPECT_FALSE(RenderSongPass(*song, 4, pass, whyNot));
    EXPECT_EQ(whyNot, "the song plays longer than 3 hours; is its tempo damaged?");
}

// The demo played by the document's own player, tick by tick as the clock would, and rendered
// offline: the same messages at the same milliseconds.
TEST(OfflineRender, RendersTheDemoExactlyAsTheLivePlayerPlaysIt) {
    testing::TestDocument t;
    ASSERT_TRUE(t.doc->LoadSong(TARVEL_SOURCE_DIR "/examples/demo.trv"));
    t.Settle();
    CFennoralDoc& doc = *t.doc;
    std::lock_guard lock(doc.mutex);
    const int rows = doc.editor.loopEndRow;
    RenderedPass pass;
    std::string whyNot;
    ASSERT_TRUE(RenderSongPass(doc.song, rows, pass, whyNot)) << whyNot;

    doc.StartPlayback(kSongMode);
    for (int line = -1;;) {
        if (doc.player.lineClock == 0 && ++line == rows) break;
        t.midi.SetStamp(doc.player.playWatch);
        doc.PlayerTick();
    }
    t.midi.SetStamp(doc.player.playWatch);
    doc.StopPlayback();
    std::vector<std::string> played;
    for (const RecordedMessage& m : t.midi.Messages())
        played.push_back(std::to_string(m.stamp) + ": " + Hex(m.bytes, m.length));
    std::vector<std::string> rendered;
    for (const RenderedMessage& m : pass.messages)
        rendered.push_back(std::to_string(m.ms) + ": " + Hex(m.bytes, m.length));
    EXPECT_EQ(rendered, played);
    EXPECT_GT(played.size(), 1500u);
    EXPECT_EQ(pass.LengthMs(), doc.player.playWatch);
}

TEST(MidiExport, HoldsThePassWithItsTempoMapAndATrackPerChannelNamedAfterItsProgram) {
    const auto song = SmallSong();
    MidiFileData file;
    MidiExportReport report;
    std::string whyNot;
    ASSERT_TRUE(ExportSongAsMidi(*song, 4, file, report, whyNot)) << whyNot;
    MidiFileData read;
    ASSERT_TRUE(ReadMidiFile(WriteMidiFile(file), read, whyNot)) << whyNot;
    EXPECT_EQ(read.format, 1);
    EXPECT_EQ(read.division, 96);
    ASSERT_EQ(read.tracks.size(), 2u);
    // 4 lines of 120 ms make a quarter note of 480,000 us; of 116 ms, 464,000 us.
    EXPECT_EQ(Described(read.tracks[0]), (std::vector<std::string>{
                                             "0: meta 58 04 02 18 08",
                                             "0: meta 51 07 53 00",
                                             "48: meta 51 07 14 80",
                                             "96: meta 2f",
                                         }));
    // 24 ticks a line; within a line, ticks follow its milliseconds (58 of 116 ms: tick 12).
    EXPECT_EQ(Described(read.tracks[1]), (std::vector<std::string>{
                                             "0: meta 03 Electric Piano 1",
                                             "0: c0 04",
                                             "0: 90 3c 50",
                                             "12: 80 3c 64",
                                             "36: 90 3e 50",
                                             "48: 90 40 50",
                                             "60: 80 40 64",
                                             "60: 90 40 50",
                                             "96: 80 3e 64",
                                             "96: 80 40 64",
                                             "96: meta 2f",
                                         }));
    EXPECT_EQ(MidiExportNotice(report), "1 real-time message could not be stored in a MIDI file.");

    song->lineDuration = 5000;  // damaged: 20 s a quarter note, slower than a file can say
    EXPECT_FALSE(ExportSongAsMidi(*song, 4, file, report, whyNot));
    EXPECT_EQ(whyNot, "line 0 lasts 5000 ms, longer than the slowest tempo a MIDI file holds");
}

TEST(MidiExport, KeepsSystemCommonMessagesAsEscapesAndCountsWhatAFileCannotHold) {
    auto song = std::make_unique<Song>();
    MakeNewSong(*song);
    for (int status = 0xF0; status <= 0xFE; ++status)
        song->patterns[0].cells[status - 0xF0][0] = {kNoNote, 0xFF,
                                                     static_cast<std::uint8_t>(status), 0x25};
    song->sequence[0][0] = {0, 0, 0};
    MidiFileData file;
    MidiExportReport report;
    std::string whyNot;
    ASSERT_TRUE(ExportSongAsMidi(*song, 16, file, report, whyNot)) << whyNot;
    ASSERT_EQ(file.tracks.size(), 1u);  // no channel sends anything
    const std::vector<std::string> conductor = Described(file.tracks[0]);
    // A SysEx start alone is never sent; the parameter travels in the second data byte.
    EXPECT_EQ(std::vector<std::string>(conductor.begin() + 2, conductor.end() - 1),
              (std::vector<std::string>{"24: f7 f1 00", "48: f7 f2 00 25", "72: f7 f3 00",
                                        "144: f7 f6"}));
    EXPECT_EQ(MidiExportNotice(report),
              "7 real-time messages and 3 undefined system messages could not be stored in a MIDI "
              "file.");
    EXPECT_EQ(MidiExportNotice({}), "");
}

}  // namespace
}  // namespace tarvel

// MIDI files: written and read byte by byte, damage refused; songs rendered as the player sends
// them and exported as MIDI files. (The demo's export as mido reads it is the exchange test's.)
#include <gmock/gmock.h>

#include <memory>
#include <span>

#include "engine/MidiExport.h"
#include "song/SongOps.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Chunk(const char* id, const Bytes& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    return Cat({Bytes(id, id + 4),
                {Bytes::value_type(n >> 24), Bytes::value_type(n >> 16), Bytes::value_type(n >> 8),
                 Bytes::value_type(n)},
                body});
}

Bytes Header(int tracks, int format = 1, int division = 96) {
    return Chunk("MThd", {0, Bytes::value_type(format), Bytes::value_type(tracks >> 8),
                          Bytes::value_type(tracks), Bytes::value_type(division >> 8),
                          Bytes::value_type(division)});
}

Bytes OneTrack(const Bytes& body) {
    return Cat({Header(1), Chunk("MTrk", body)});
}

std::string Hex(int byte) {
    return {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 0xF]};
}

// "@tick status data1 data2" for channel messages, "@tick ff51[07 a1 20]" for meta and SysEx,
// "@tick ff03"name"" for a track's name; tracks apart by " | ".
std::string Describe(const MidiFileData& file) {
    std::string text =
        "format " + std::to_string(file.format) + " division " + std::to_string(file.division);
    for (const MidiTrack& track : file.tracks) {
        text += " |";
        for (const MidiEvent& event : track.events) {
            text += " @" + std::to_string(event.tick) + " ";
            if (event.status < 0xF0) {
                text += Hex(event.status) + " " + Hex(event.data1) + " " + Hex(event.data2);
                continue;
            }
            const auto data = track.DataOf(event);
            if (event.status == kMetaEvent && event.data1 == kMetaTrackName) {
                text += "ff03\"" + std::string(data.begin(), data.end()) + "\"";
                continue;
            }
            text +=
                (event.status == kMetaEvent ? "ff" + Hex(event.data1) : Hex(event.status)) + "[";
            for (std::uint8_t byte : data) text += Hex(byte) + " ";
            if (text.back() == ' ') text.pop_back();
            text += "]";
        }
    }
    return text;
}

// A refusal leaves the file it was to fill as it was.
std::string ReadAndDescribe(std::span<const std::uint8_t> bytes) {
    MidiFileData file{.format = 0, .division = 7, .tracks = {{}}};
    std::string whyNot;
    if (ReadMidiFile(bytes, file, whyNot)) return Describe(file);
    return "refused: " + whyNot + (Describe(file) == "format 0 division 7 |" ? "" : " (changed)");
}

TEST(MidiFileWriter, WritesSortedDeltaTimesRunningStatusAndOneEndOfTrack) {
    MidiFileData file{.format = 0, .division = 96, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    track.AddMessage(0, 0x90, 0x3C, 0x40);
    track.AddMessage(96, 0x90, 0x3C, 0x00);                  // running status
    track.AddMeta(96, kMetaTempo, Bytes{0x07, 0xA1, 0x20});  // ends the running status
    track.AddMessage(200, 0x90, 0xC0, 0xFF);                 // data bytes kept to 7 bits
    track.AddMessage(400, 0x80, 0x40, 0x00);                 // a two-byte delta time
    track.AddMessage(400, 0xF8, 0, 0);                       // real time: no place in a file
    track.AddMeta(500, kMetaEndOfTrack, {});                 // gives the track's end
    EXPECT_EQ(WriteMidiFile(file),
              Cat({Header(1, 0, 96),
                   Chunk("MTrk", {0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xFF,
                                  0x51, 0x03, 0x07, 0xA1, 0x20, 0x68, 0x90, 0x40, 0x7F,
                                  0x81, 0x48, 0x80, 0x40, 0x00, 0x64, 0xFF, 0x2F, 0x00})}));

    // Sorted by tick, ties kept in order; a gap too long for one delta time gets a bridge, one
    // that just fits does not.
    file = {.tracks = {{}}};
    file.tracks[0].AddMessage(0x20000000, 0x90, 1, 1);
    file.tracks[0].AddMessage(5, 0xC0, 2);
    file.tracks[0].AddMessage(5, 0xC0, 3);
    file.tracks[0].AddMessage(0x20000000 + 0x0FFFFFFF, 0xC0, 4);
    EXPECT_EQ(ReadAndDescribe(WriteMidiFile(file)),
              "format 1 division 480 | @5 c0 02 00 @5 c0 03 00 @268435460 ff01[] "
              "@536870912 90 01 01 @805306367 c0 04 00 @805306367 ff2f[]");
}

// Every kind of event reads back as written, and every cut short of the whole file is refused.
TEST(MidiFile, EveryKindOfEventRoundTripsAndEveryTruncationIsRefused) {
    MidiFileData file{.format = 1, .division = 0xE728, .tracks = {{}, {}}};  // SMPTE 25 x 40
    MidiTrack& first = file.tracks[0];
    std::uint32_t tick = 0;
    for (std::uint8_t status : {0x80, 0x90, 0x90, 0xA3, 0xB4, 0xB4, 0xC5, 0xD6, 0xE7, 0xEF}) {
        tick += 7;
        const bool oneDataByte = (status & 0xE0) == 0xC0;
        first.AddMessage(tick, status, tick & 0x7F, oneDataByte ? 0 : (tick * 3) & 0x7F);
    }
    first.AddSysEx(tick, kSysExStart, Bytes{0x43, 0x10, 0x4C, 0xF7});
    first.AddSysEx(tick + 1, kSysExEscape, Bytes{0xF3, 0x01});
    for (std::size_t size : {0, 1, 127, 128, 20000})
        first.AddMeta(tick += 0x0FFFFFF, 0x7F, Bytes(size, static_cast<std::uint8_t>(size)));
    first.AddMessage(tick, 0xD6, 9);  // after a meta event the status is written again
    first.AddMeta(tick + 9, kMetaEndOfTrack, {});
    file.tracks[1].AddMeta(0, kMetaEndOfTrack, {});

    const Bytes whole = WriteMidiFile(file);
    EXPECT_EQ(ReadAndDescribe(whole), Describe(file));
    for (std::size_t size = 0; size < whole.size(); ++size)  // with a reason, and nothing read
        EXPECT_THAT(ReadAndDescribe({whole.data(), size}),
                    ::testing::MatchesRegex("refused: [^(]+"))
            << size;
}

// What writers really write reads as they meant it; damage is refused with a one-line reason and
// leaves the file to fill as it was.
TEST(MidiFileReader, ReadsWhatWritersReallyWriteAndRefusesDamage) {
    const Bytes endOfTrack = {0x00, 0xFF, 0x2F, 0x00};
    std::string fives;  // 127 of them
    for (int i = 0; i < 127; ++i) fives += "55 ";
    Bytes mostEvents = {0x00, 0xC0, 0x05};
    mostEvents.resize(1 + 2 * kMidiEventLimit, 0x00);  // each further event: a delta and a program
    Bytes manyDeltas = {0x00, 0x90, 0x3C, 0x40};
    for (int i = 0; i < 17; ++i)
        manyDeltas.insert(manyDeltas.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x00});
    const Bytes emptyTrack = Chunk("MTrk", {});
    Bytes mostTracks;  // all empty but the last
    for (std::size_t i = 1; i < kMidiTrackLimit; ++i)
        mostTracks.insert(mostTracks.end(), emptyTrack.begin(), emptyTrack.end());
    mostTracks = Cat({mostTracks, Chunk("MTrk", endOfTrack)});
    Bytes latest(manyDeltas.begin(), manyDeltas.begin() + 4 + 16 * 6);  // 16 x 0x0FFFFFFF, then 15
    latest.insert(latest.end(), {0x0F, 0x3C, 0x00});
    const std::string read = "format 1 division 96 |";
    const struct {
        Bytes bytes;
        std::string outcome;  // what it reads as, or the end of the reason it is refused
    } cases[] = {
        // Running status across meta and SysEx.
        {OneTrack({0x00, 0xC1, 0x05, 0x00, 0xFF, 0x01, 0x01, 0x41, 0x00, 0x06, 0x00, 0xF0, 0x01,
                   0xF7, 0x00, 0x07}),
         read + " @0 c1 05 00 @0 ff01[41] @0 c1 06 00 @0 f0[f7] @0 c1 07 00"},
        // SysEx in parts, a meta event of a two-byte length.
        {OneTrack(Cat(
             {{0x00, 0xF0, 0x02, 0x43, 0x12, 0x05, 0xF7, 0x01, 0xF7, 0x00, 0xFF, 0x7F, 0x81, 0x00},
              Bytes(128, 0x55)})),
         read + " @0 f0[43 12] @5 f7[f7] @5 ff7f[" + fives + "55]"},
        // Unknown chunks, a longer header, bytes after the last track and after End of Track.
        {Cat({Chunk("MThd", {0, 1, 0, 2, 0, 96, 0xAB, 0xCD}),
              Chunk("XFIH", {1, 2, 3}),
              Chunk("MTrk", Cat({endOfTrack, {0x00, 0x90, 0x3C}})),
              Chunk("MTrk", {}),
              {0, 0, 0}}),
         read + " @0 ff2f[] |"},
        // A RIFF MIDI file.
        {Cat({{'R', 'I', 'F', 'F', 30, 0,    0,    0,   'R', 'M', 'I', 'D', 'L', 'I', 'S',
               'T', 1,   0,   0,   0,  0x99, 0x00, 'd', 'a', 't', 'a', 26,  0,   0,   0},
              OneTrack(endOfTrack)}),
         read + " @0 ff2f[]"},
        {Bytes(kMidiFileSizeLimit, 0), "not a MIDI file: it does not start with \"MThd\""},
        {{'M', 'T', 'h', 'd', 0, 0}, "the file ends inside its header"},
        {Chunk("MThd", {0, 1, 0, 1}), "a header chunk of 4 bytes, less than the 6 it needs"},
        {Header(1, 2), "MIDI file format 2; only formats 0 and 1 can be read"},
        {Header(1, 1, 0), "the header gives 0 ticks per quarter note"},
        {Header(1, 1, 0xE700), "the header gives 0 ticks per SMPTE frame"},
        {Header(1025), "1025 tracks, more than the 1024 that can be read"},
        {Cat({Header(1024), mostTracks}), " | | @0 ff2f[]"},
        {Cat({Header(2), Chunk("MTrk", {})}), "holds 1 of the 2 tracks its header counts"},
        {Cat({Header(1), {'\x01', ' ', 'r', 0x7F, 0xFF, 0xFF, 0xFF, 0xFF}}),
         "chunk \"? r?\" at byte 14 claims 4294967295 bytes, but only 0 follow"},
        {OneTrack({0x00, 0x3C, 0x40}),
         "track 1: data byte 3C at byte 23 where a status byte is needed"},
        {OneTrack({0x00, 0x90, 0x3C, 0x90}),
         "track 1: byte 90 at byte 25 where a data byte is needed"},
        {OneTrack({0x80, 0x80, 0x80, 0x80, 0x00}),
         "track 1: variable-length number longer than 4 bytes at byte 22"},
        {OneTrack({0x00, 0xF0, 0x05, 0x43, 0xF7}),
         "track 1: event of 5 bytes at byte 25 runs past the end of the track"},
        {OneTrack({0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x00}),
         "track 1: variable-length number longer than 4 bytes at byte 25"},
        {OneTrack({0x00, 0xFF, 0x01, 0x05, 0x41}),
         "track 1: event of 5 bytes at byte 26 runs past the end of the track"},
        {OneTrack({0x00, 0xF4}), "track 1: status byte F4 at byte 23 cannot stand in a MIDI file"},
        {OneTrack(latest), "@4294967295 90 3c 00"},
        {OneTrack(manyDeltas), "track 1: runs past tick 4294967295 at byte 122"},
        {Cat({Header(2), Chunk("MTrk", {}), Chunk("MTrk", {0x00, 0xA0})}),
         "track 2: ends inside an event at byte 32"},
        {{'R', 'I', 'F', 'F'}, "a RIFF file, but not a MIDI file (no \"RMID\" type)"},
        {{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
         "a RIFF file, but not a MIDI file (no \"RMID\" type)"},
        {{'R', 'I', 'F', 'F', 12, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a', 9, 0, 0, 0},
         "RIFF chunk \"data\" at byte 12 runs past the end of the file"},
        {{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'},
         "a RIFF MIDI file without its \"data\" chunk"},
        {Bytes(kMidiFileSizeLimit + 1), "larger than 64 MB, more than any MIDI file needs"},
        {OneTrack(mostEvents), "@0 c0 00 00"},
        {OneTrack(Cat({mostEvents, {0x00, 0x00}})),
         "track 1: more than 2000000 events in the file"},
    };
    for (const auto& c : cases)
        EXPECT_THAT(ReadAndDescribe(c.bytes),
                    ::testing::AllOf(::testing::EndsWith(c.outcome),
                                     ::testing::Not(::testing::HasSubstr("\n"))));
}

// Four lines on track 0 (channel 0, routed to device 1): a gated note, a delayed one, then a
// tempo change to 130 BPM with a retriggered note. Exported, the file holds the pass, each message
// at its line's tick and its place in the line, with its tempo map and a track for the channel
// named after its program. (That the render sends at the player's times is the feel commands'
// test; the notice for one real-time message, the window's export test's.)
TEST(MidiExport, ASongRendersAtThePlayersTimesAndTheFileHoldsThePassWithItsTempoMap) {
    auto song = std::make_unique<Song>();
    MakeNewSong(*song);
    song->channelProgram[0] = 4;
    song->channelDevice[0] = 1;
    auto& cells = song->patterns[0].cells;
    cells[0][0] = {60, 0x50, 0x80, 0};
    cells[1][1] = {62, 0x50, 0xD0, 0};
    cells[2][0] = {kNoNote, 0xFF, 0x90, 130};
    cells[2][3] = {64, 0x50, 0xE0, 0};
    song->patterns[0].lineCount = 4;
    song->sequence[0][0] = {0, 0, 0};
    MidiFileData file;
    MidiExportReport report;
    std::string whyNot;
    ASSERT_TRUE(ExportSongAsMidi(*song, 4, file, report, whyNot)) << whyNot;
    // 4 lines of 120 ms make a quarter note of 480,000 us; of 116 ms, 464,000 us. 24 ticks a line;
    // within a line, ticks follow its milliseconds: the gate at 60 of 120 ms (tick 12), the delay
    // at 60 and the retrigger at 58 of 116 (tick 12 of their lines).
    EXPECT_EQ(ReadAndDescribe(WriteMidiFile(file)),
              "format 1 division 96 | @0 ff58[04 02 18 08] @0 ff51[07 53 00] @48 ff51[07 14 80] "
              "@96 ff2f[] | @0 ff03\"Electric Piano 1\" @0 c0 04 00 @0 90 3c 50 @12 80 3c 64 "
              "@36 90 3e 50 @48 90 40 50 @60 80 40 64 @60 90 40 50 @96 80 3e 64 @96 80 40 64 "
              "@96 ff2f[]");

    song->patchNames[4][0] = '\0';  // a program of no name: the track takes its channel's
    ASSERT_TRUE(ExportSongAsMidi(*song, 4, file, report, whyNot)) << whyNot;
    EXPECT_THAT(Describe(file), ::testing::HasSubstr("| @0 ff03\"Channel 1\" @0 c0 04 00"));

    song->lineDuration = 5000;  // damaged: 20 s a quarter note, slower than a file can say
    EXPECT_FALSE(ExportSongAsMidi(*song, 4, file, report, whyNot));
    EXPECT_EQ(whyNot, "line 0 lasts 5000 ms, longer than the slowest tempo a MIDI file holds");
    song->lineDuration = 2'000'000'000;  // one line would last 23 days
    EXPECT_FALSE(ExportSongAsMidi(*song, 4, file, report, whyNot));
    EXPECT_EQ(whyNot, "the song plays longer than 3 hours; is its tempo damaged?");

    // Every system message a cell can send, a line each: F0 (never sent alone) to FE.
    MakeNewSong(*song);
    song->sequence[0][0] = {0, 0, 0};
    for (int status = 0xF0; status <= 0xFE; ++status)
        song->patterns[0].cells[status - 0xF0][0] = {kNoNote, 0xFF,
                                                     static_cast<std::uint8_t>(status), 0x25};
    ASSERT_TRUE(ExportSongAsMidi(*song, 15, file, report, whyNot)) << whyNot;
    EXPECT_EQ(Describe(file),
              "format 1 division 96 | @0 ff58[04 02 18 08] @0 ff51[07 53 00] @24 f7[f1 00] "
              "@48 f7[f2 00 25] @72 f7[f3 00] @144 f7[f6] @360 ff2f[]");
    EXPECT_EQ(MidiExportNotice(report),
              "7 real-time messages and 3 undefined system messages could not be stored in a MIDI "
              "file.");
}

}  // namespace
}  // namespace tarvel

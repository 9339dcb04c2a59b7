// Fine delay, fine gate, ratchet, Swing, Swing all, Chance and Humanize at the recording port,
// tick by tick with each message's exact due time; the offline render against the player; and
// the seeded choices' properties.
#include <gmock/gmock.h>

#include <algorithm>
#include <map>
#include <random>

#include "editor/TrackMuting.h"
#include "engine/OfflineRender.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

constexpr std::int64_t kStartNs = 5'000'000'000;  // when the first tick was due
constexpr std::int64_t kTickNs = 2'000'000;

class FeelCommands : public testing::DocumentTest {
  protected:
    FeelCommands() : DocumentTest(1) {}
    void SetUp() override { Hold(); }

    // A cell of pattern `track`, which track `track` plays on channel `track`.
    struct Placed {
        int line, column;
        PatternCell cell;
        int track = 0;
    };
    static Placed Note(int line, int column, std::uint8_t note, std::uint8_t command = kNoCommand,
                       std::uint8_t parameter = 0) {
        return {line, column, {note, 0x50, command, parameter}};
    }
    static Placed Command(int line, int column, int command, int parameter) {
        return Note(line, column, kNoNote, command, parameter);
    }
    static Placed OnTrack1(Placed placed) { return {placed.line, placed.column, placed.cell, 1}; }

    // Tracks 0 and 1 play patterns 0 and 1 from row 0, cleared and refilled with `cells`.
    void Compose(const std::vector<Placed>& cells, int transpose = 0) {
        for (int track = 0; track < 2; ++track) {
            MakeEmptyPattern(doc.song.patterns[track]);  // 64 lines
            doc.song.sequence[0][track] = {static_cast<std::uint8_t>(track),
                                           static_cast<std::int8_t>(track ? 0 : transpose), 0};
        }
        for (const Placed& p : cells) Cell(p.line, p.column, p.track) = p.cell;
        e.loopEndRow = 64;
    }

    // Plays `ticks` ticks, each due 2 ms after the last, track 0 muted from tick `muteAt` on,
    // and returns what was sent as "<tick>: <message> <due time in us>", "now" for no stamp;
    // both count from the tick played `first` ticks in.
    std::vector<std::string> Play(int ticks, PlayMode mode = kSongMode, int muteAt = -1,
                                  int first = 0) {
        doc.StartPlayback(mode);
        t.midi.Clear();
        for (int at = 0; at < ticks; ++at) {
            t.midi.SetStamp(at - first);
            if (at == muteAt) FlipTrackMute(doc.songEditor, 0);
            doc.PlayerTick(kStartNs + (at - first) * kTickNs);
        }
        if (muteAt >= 0) FlipTrackMute(doc.songEditor, 0);
        return Taken();
    }
    // What was sent since the last call, as Play returns it.
    std::vector<std::string> Taken() {
        std::vector<std::string> sent;
        for (const RecordedMessage& m : t.midi.Messages())
            sent.push_back(std::to_string(m.stamp) + ": " + testing::Describe(m) + " " +
                           (m.dueNs ? std::to_string((m.dueNs - kStartNs) / 1000) : "now"));
        t.midi.Clear();
        return sent;
    }
};

// At 125 BPM a line is 120 ms, 60 ticks, its sixteenths 7.5 ms apart; line 1 starts at tick 60
// (120000 us). A step lands on the first tick at or after its time. Swing counts from each odd
// line's start; a swung line's steps share what is left of it. Each row starts playing anew:
// what a row's Swing or Humanize set would show in the rows after it.
TEST_F(FeelCommands, EachCommandSendsTheseMessagesAtTheseTimes) {
    const struct {
        const char* name;
        std::vector<Placed> cells;
        int lines = 2;
        int bpm = 125;
        int transpose = 0;  // of track 0's slot
        int muteAt = -1;    // the tick from which track 0 is muted
        PlayMode mode = kSongMode;
        std::vector<std::string> sent;
    } cases[] = {
        {.name = "a later column's swing moves the whole line, holds on odd lines, 00 ends it",
         .cells = {Note(1, 0, 62), Command(1, 5, 0x91, 0x40), Note(3, 0, 64), Note(5, 0, 65),
                   Command(5, 1, 0x91, 0)},
         .lines = 6,
         .sent = {"75: 90 3e 50@0 150000", "195: 80 3e 64@0 390000", "195: 90 40 50@0 390000",
                  "300: 80 40 64@0 600000", "300: 90 41 50@0 600000"}},
        {.name =
             "swing all reaches another track's channel; a channel's own swing wins; 00 ends it",
         .cells = {OnTrack1(Command(1, 0, 0x92, 0x40)), OnTrack1(Command(1, 3, 0x91, 0x80)),
                   OnTrack1(Note(1, 1, 65)), Note(1, 0, 60), OnTrack1(Command(3, 0, 0x92, 0)),
                   Note(3, 0, 62)},
         .lines = 4,
         .sent = {"75: 90 3c 50@0 150000", "90: 91 41 50@0 180000", "180: 80 3c 64@0 360000",
                  "180: 90 3e 50@0 360000"}},
        // A fine delay, note gate, note gate alone, fine gate, ratchet, off and controller.
        {.name = "swing moves every kind of note event, not controllers",
         .cells = {Note(0, 2, 64), Note(0, 5, 67), Note(1, 0, 60, 0xD1, 8), Note(1, 1, 62, 0x80),
                   Command(1, 2, 0x80, 0), Note(1, 3, 65, 0x81, 4), Note(1, 4, 69, 0xE1, 2),
                   Note(1, 5, kNoteOff), Note(1, 6, 71, 0x07, 100), Command(1, 7, 0x91, 0x80),
                   Note(0, 8, 72), Note(1, 8, kNoteOff, 0xD1, 4), Note(0, 9, 74),
                   Note(1, 9, kNoteOff, 0xD0, 0)},
         .sent = {"0: 90 40 50@0 0", "0: 90 43 50@0 0", "0: 90 48 50@0 0", "0: 90 4a 50@0 0",
                  "60: b0 07 64@0 120000", "90: 90 3e 50@0 180000", "90: 90 41 50@0 180000",
                  "90: 90 45 50@0 180000", "90: 80 43 64@0 180000", "90: 90 47 50@0 180000",
                  "90: 80 48 64@0 180000", "90: 80 4a 64@0 180000", "98: 80 41 64@0 195000",
                  "105: 80 40 64@0 210000", "105: 90 3c 50@0 210000", "105: 80 3e 64@0 210000",
                  "105: 80 45 64@0 210000", "105: 90 45 50@0 210000"}},
        // The default seed's choices at row 1, pinned so that a song's export stays the same
        // from one version to the next. Up to 31.875 ms and 63 either way: the notes at the
        // line start drawn early stay there, the fine-delayed ones (due at 180 ms) move early.
        {.name = "humanize FF moves notes and velocities, but leaves velocity 0 alone",
         .cells = {Note(1, 0, 60), Note(1, 1, 62), Note(1, 2, 64), Note(1, 3, 65, 0xD1, 8),
                   Note(1, 4, 67, 0xD1, 8), Command(1, 5, 0xC2, 0xFF),
                   Placed{1, 6, {69, 0, kNoCommand, 0}}, Note(1, 7, 71)},
         .sent = {"60: 90 3c 76@0 120000", "60: 90 3e 6d@0 120000", "60: 90 40 7f@0 120000",
                  "62: 90 47 65@0 122375", "68: 90 45 00@0 134250", "83: 90 41 4f@0 166000",
                  "90: 90 43 50@0 178500"}},
        {.name = "humanize holds on the lines after it, 00 ends it",
         .cells = {Command(0, 5, 0xC2, 0xFF), Note(1, 6, 69), Command(2, 5, 0xC2, 0),
                   Note(2, 6, 70)},
         .lines = 3,
         .sent = {"68: 90 45 1b@0 134250", "120: 80 45 64@0 240000", "120: 90 46 50@0 240000"}},
        {.name = "humanize moves a swung line's notes early too, though not before its start, "
                 "and leaves its off alone",
         .cells = {Command(1, 5, 0xC2, 0xFF), Command(1, 6, 0x91, 0x40), Note(1, 0, 60),
                   Note(1, 1, 62), Note(1, 2, 64), Note(0, 3, 65), Note(1, 3, kNoteOff)},
         .sent = {"0: 90 41 50@0 0", "60: 90 3c 76@0 120000", "61: 90 3e 6d@0 121250",
                  "67: 90 40 7f@0 133500", "75: 80 41 64@0 150000"}},
        {.name = "chance FF always plays, 00 never and the old note rings on, but an off acts",
         .cells = {Note(0, 0, 60), Note(0, 1, 61), Note(1, 0, 62, 0xC1, 0),
                   Note(1, 1, kNoteOff, 0xC1, 0), Note(1, 2, 64, 0xC1, 0xFF)},
         .sent = {"0: 90 3c 50@0 0", "0: 90 3d 50@0 0", "60: 80 3d 64@0 120000",
                  "60: 90 40 50@0 120000"}},
        {.name = "fine delay 1/16 and 15/16, 00 as 01 and 40 as 0F",
         .cells = {Note(0, 0, 60, 0xD1, 1), Note(0, 1, 62, 0xD1, 15), Note(0, 2, 64, 0xD1, 0),
                   Note(0, 3, 65, 0xD1, 0x40)},
         .lines = 1,
         .sent = {"4: 90 3c 50@0 7500", "4: 90 40 50@0 7500", "57: 90 3e 50@0 112500",
                  "57: 90 41 50@0 112500"}},
        {.name = "a fine delay ends the old note then, a fine-delayed off at once; fine gate 3/16, "
                 "alone it ends the old note",
         .cells = {Note(0, 0, 55), Note(0, 1, 51), Note(1, 0, 62, 0xD1, 8),
                   Note(1, 1, kNoteOff, 0xD1, 4), Note(0, 3, 53), Note(1, 2, 60, 0x81, 3),
                   Note(1, 3, kNoNote, 0x81, 5)},
         .sent = {"0: 90 37 50@0 0", "0: 90 33 50@0 0", "0: 90 35 50@0 0", "60: 80 33 64@0 120000",
                  "60: 90 3c 50@0 120000", "72: 80 3c 64@0 142500", "79: 80 35 64@0 157500",
                  "90: 80 37 64@0 180000", "90: 90 3e 50@0 180000"}},
        {.name = "ratchet 3, 01 as 02, an off at once; the slot transposes every repeat",
         .cells = {Note(0, 0, 60, 0xE1, 3), Note(0, 1, 62, 0xE1, 1), Note(0, 2, 52),
                   Note(1, 2, kNoteOff, 0xE1, 4)},
         .transpose = -12,
         .sent = {"0: 90 30 50@0 0", "0: 90 32 50@0 0", "0: 90 28 50@0 0", "20: 80 30 64@0 40000",
                  "20: 90 30 50@0 40000", "30: 80 32 64@0 60000", "30: 90 32 50@0 60000",
                  "40: 80 30 64@0 80000", "40: 90 30 50@0 80000", "60: 80 28 64@0 120000"}},
        {.name = "a mute releases a ratchet's note at once and drops what was to come",
         .cells = {Note(0, 0, 60, 0xE1, 3), Note(0, 1, 62, 0xD1, 8)},
         .lines = 1,
         .muteAt = 10,
         .sent = {"0: 90 3c 50@0 0", "10: 80 3c 64@0 now"}},
        // 512 BPM plays lines of 29 ms in 15 ticks, 30 ms.
        {.name = "512 BPM: 15/16 of a line is past its last tick and goes first in the next "
                 "line's; so does a swung half line, in that line's last tick",
         .cells = {Note(0, 0, 60, 0x81, 15), Note(0, 1, 62, 0xD1, 15), Note(0, 2, 64),
                   Command(1, 2, 0x80, 0), Command(1, 3, 0x91, 0xFF), Command(1, 4, 0x07, 100)},
         .bpm = 512,
         .sent = {"0: 90 3c 50@0 0", "0: 90 40 50@0 0", "15: 80 3c 64@0 28125",
                  "15: 90 3e 50@0 28125", "15: b0 07 64@0 30000", "29: 80 40 64@0 59941"}},
        // 500 BPM: lines of 30 ms in 15 ticks; the last one at 28 ms.
        {.name = "500 BPM: a swung half line past the last tick of an even line comes in it; "
                 "one due in the tick of an unswung half line keeps its own time",
         .cells = {Note(0, 2, 64), Command(1, 2, 0x80, 0), Command(1, 3, 0x91, 0xFF),
                   Note(2, 2, 66), Command(3, 2, 0x80, 0), Command(3, 3, 0x91, 0x10),
                   OnTrack1(Note(2, 2, 67)), OnTrack1(Command(3, 2, 0x80, 0))},
         .lines = 4,
         .bpm = 500,
         .sent = {"0: 90 40 50@0 0", "29: 80 40 64@0 59941", "30: 90 42 50@0 60000",
                  "30: 91 43 50@0 60000", "53: 80 42 64@0 105937", "53: 81 43 64@0 106000"}},
        {.name = "pattern mode: fine gate, a delay carried, only odd lines swung",
         .cells = {Note(0, 0, 60, 0x81, 3), Note(0, 1, 62, 0xD1, 15), Command(0, 2, 0x91, 0x80),
                   Note(1, 2, 64)},
         .bpm = 512,
         .mode = kPatternMode,
         .sent = {"0: 90 3c 50@0 0", "3: 80 3c 64@0 5625", "15: 90 3e 50@0 28125",
                  "23: 90 40 50@0 45000"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doc.SetBpm(c.bpm);
        Compose(c.cells, c.transpose);
        EXPECT_EQ(Play((doc.song.lineDuration + 1) / 2 * c.lines, c.mode, c.muteAt), c.sent);
    }
}

// The export's offline render runs the same player: over songs of notes, offs and every
// command of the family and the fine ones, drawn at random on two tracks, it gives the same
// messages at the same times, those carried into a next line included.
TEST_F(FeelCommands, TheOfflineRenderHoldsWhatPlayingSends) {
    doc.SetBpm(512);  // lines of 29 ms that play 30: steps fall between ticks and past the last
    const std::uint8_t commands[] = {kNoCommand, 0x07, 0x80, 0x81, 0x91, 0x92,
                                     0xC1,       0xC2, 0xD0, 0xD1, 0xE0, 0xE1};
    for (unsigned seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        const auto below = [&](int n, int from = 0) {
            return static_cast<std::uint8_t>(from + random() % n);
        };
        std::vector<Placed> cells = {Note(0, 15, 76, 0xE1, 0x20)};  // 16 repeats, several a tick
        for (int line = 0; line < 16; ++line)
            for (int column = 0; column < 16; ++column) {
                const std::uint8_t notes[] = {kNoNote, kNoteOff, below(40, 36), below(40, 36)};
                cells.push_back(Note(line, column % 8, notes[below(4)],
                                     commands[below(std::size(commands))], below(256)));
                cells.back().track = column / 8;
            }
        Compose(cells);
        RenderedPass pass;
        std::string whyNot;
        ASSERT_TRUE(RenderSongPass(doc.song, 16, pass, whyNot)) << whyNot;
        std::vector<std::string> rendered;  // as Play shows them, at a tick each 2 ms
        for (const RenderedMessage& m : pass.messages)
            rendered.push_back(
                std::to_string(m.ms / 2) + ": " +
                testing::Describe({0, {m.bytes[0], m.bytes[1], m.bytes[2]}, m.length, 0}));
        std::vector<std::string> played = Play(16 * 15);
        t.midi.SetStamp(16 * 15);
        doc.StopPlayback();
        for (const std::string& m : Taken()) played.push_back(m);
        for (std::string& m : played) m.erase(m.rfind(' '));  // a render knows no due times
        EXPECT_EQ(rendered, played) << "the song of seed " << seed;
        // A ratchet's most repeats, all 16.
        EXPECT_EQ(
            std::ranges::count_if(played, [](auto& m) { return m.find(": 90 4c") != m.npos; }), 16);
    }
}

// A row plays the same whether the play started there or ran into it; another seed chooses
// otherwise.
TEST_F(FeelCommands, TheSameSeedAndRowMakeTheSameChoices) {
    Compose({Note(0, 0, 40, 0xC1, 0x80), Note(0, 1, 41, 0xC1, 0x80), Note(0, 2, 42, 0xC1, 0x80),
             Command(0, 15, 0xC2, 0xFF)});
    doc.song.patterns[0].lineCount = 1;
    for (int row = 0; row < 64; ++row) doc.song.sequence[row][0] = {0, 0, 0};
    // The note-ons of rows 32..63, timed from row 32's start.
    const auto noteOnsFrom = [&](int row) {
        e.seqCursorRow = row;
        std::vector<std::string> ons;
        for (const std::string& m : Play(60 * (64 - row), kSongMode, -1, 60 * (32 - row)))
            if (std::stoi(m) >= 0 && m.find(": 9") != m.npos) ons.push_back(m);
        return ons;
    };
    const std::vector<std::string> atRow = noteOnsFrom(32);
    ASSERT_GT(atRow.size(), 30u);
    EXPECT_EQ(noteOnsFrom(0), atRow);
    doc.engine.feelSeed ^= 1;
    EXPECT_NE(noteOnsFrom(32), atRow);
}

// Over 10,000 lines a note with Chance PP plays as often as PP/255 says, to within 2 percentage
// points; every pass of a one-line pattern draws anew.
TEST_F(FeelCommands, ChancePlaysANoteWithProbabilityPpOver255) {
    constexpr int kLines = 10'000;
    const int chances[] = {0, 1, 0x40, 0x80, 0xC8, 0xFE, 0xFF};
    doc.SetBpm(512);  // 15 ticks a line
    doc.song.patterns[0].lineCount = 1;
    for (int column = 0; column < std::ssize(chances); ++column)
        Cell(0, column) = Note(0, column, 40 + column, 0xC1, chances[column]).cell;
    doc.StartPlayback(kPatternMode);
    std::map<int, int> played;
    for (int line = 0; line < kLines; ++line) {
        for (int tick = 0; tick < 15; ++tick) doc.PlayerTick();
        for (const RecordedMessage& m : t.midi.Messages())
            if (m.bytes[0] == 0x90) ++played[m.bytes[1] - 40];
        t.midi.Clear();  // the port keeps a bounded number
    }
    for (int column = 0; column < std::ssize(chances); ++column)
        EXPECT_NEAR(played[column] / double{kLines}, chances[column] / 255.0, 0.02)
            << "chance " << chances[column];
    EXPECT_EQ(std::pair(played[0], played[6]), std::pair(0, kLines));  // 00 never, FF always
}

}  // namespace
}  // namespace tarvel

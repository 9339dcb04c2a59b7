// Swing, Swing all, Chance and Humanize at the recording port, tick by tick with each message's
// exact due time; the offline render against the player; and the seeded choices' properties.
#include <gmock/gmock.h>

#include <algorithm>
#include <map>

#include "engine/OfflineRender.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAreArray;

constexpr std::int64_t kStartNs = 5'000'000'000;  // when the first tick was due
constexpr std::int64_t kTickNs = 2'000'000;

class FeelCommands : public testing::DocumentTest {
  protected:
    FeelCommands() : DocumentTest(1) {}
    void SetUp() override { Hold(); }

    struct Placed {
        int line, column;
        PatternCell cell;
        int track = 0;  // plays pattern `track` on channel `track`
    };
    static PatternCell Note(int note, int command = kNoCommand, int parameter = 0) {
        return {static_cast<std::uint8_t>(note), 0x50, static_cast<std::uint8_t>(command),
                static_cast<std::uint8_t>(parameter)};
    }
    static PatternCell Command(int command, int parameter) {
        return {kNoNote, kDefaultVelocity, static_cast<std::uint8_t>(command),
                static_cast<std::uint8_t>(parameter)};
    }

    // Tracks 0 and 1 play patterns 0 and 1 from row 0, cleared and refilled with `cells`.
    void Compose(const std::vector<Placed>& cells) {
        for (int track = 0; track < 2; ++track) {
            for (auto& line : doc.song.patterns[track].cells)
                for (PatternCell& cell : line) cell = kEmptyCell;
            doc.song.patterns[track].lineCount = 64;
            doc.song.sequence[0][track] = {static_cast<std::uint8_t>(track), 0, 0};
        }
        for (const Placed& p : cells) Cell(p.line, p.column, p.track) = p.cell;
        e.loopEndRow = 64;
    }

    // Plays `ticks` ticks from the start, each due 2 ms after the last, and returns what was
    // sent as "<tick>: <message> <due time in us since the first tick>", "now" for no stamp.
    std::vector<std::string> Play(int ticks, PlayMode mode = kSongMode) {
        doc.StartPlayback(mode);
        t.midi.Clear();
        for (int at = 0; at < ticks; ++at) {
            t.midi.SetStamp(at);
            doc.PlayerTick(kStartNs + at * kTickNs);
        }
        std::vector<std::string> sent;
        for (const RecordedMessage& m : t.midi.Messages())
            sent.push_back(std::to_string(m.stamp) + ": " + testing::Describe(m) + " " +
                           (m.dueNs ? std::to_string((m.dueNs - kStartNs) / 1000) : "now"));
        t.midi.Clear();
        return sent;
    }
};

// At 125 BPM a line is 120 ms, 60 ticks; line 1 starts at tick 60 (120000 us). Swing counts
// from each odd line's start; a swung line's steps share what is left of it.
TEST_F(FeelCommands, EachCommandSendsTheseMessagesAtTheseTimes) {
    const struct {
        const char* name;
        std::vector<Placed> cells;
        int lines = 2;
        std::vector<std::string> sent;
    } cases[] = {
        {.name = "swing leaves an even line alone",
         .cells = {{0, 0, Note(60)}, {0, 1, Command(0x91, 0x80)}},
         .lines = 1,
         .sent = {"0: 90 3c 50@0 0"}},
        {.name = "swing 80 starts an odd line half a line late",
         .cells = {{0, 0, Note(60)}, {0, 1, Command(0x91, 0x80)}, {1, 0, Note(62)}},
         .sent = {"0: 90 3c 50@0 0", "90: 80 3c 64@0 180000", "90: 90 3e 50@0 180000"}},
        {.name = "a later column's swing moves the whole line",
         .cells = {{1, 0, Note(62)}, {1, 5, Command(0x91, 0x40)}},
         .sent = {"75: 90 3e 50@0 150000"}},
        {.name = "swing 01 is 1/256 of a line: between ticks, stamped exactly",
         .cells = {{1, 0, Note(62)}, {1, 5, Command(0x91, 0x01)}},
         .sent = {"61: 90 3e 50@0 120468"}},
        {.name = "swing holds on the odd lines after it",
         .cells = {{1, 0, Command(0x91, 0x40)}, {3, 0, Note(64)}},
         .lines = 4,
         .sent = {"195: 90 40 50@0 390000"}},
        {.name = "swing 00 turns it off",
         .cells = {{1, 0, Command(0x91, 0x40)}, {3, 0, Note(64)}, {3, 1, Command(0x91, 0)}},
         .lines = 4,
         .sent = {"180: 90 40 50@0 360000"}},
        {.name = "swing all reaches every channel",
         .cells = {{1, 0, Command(0x92, 0x40)}, {1, 0, Note(65), 1}},
         .sent = {"75: 91 41 50@0 150000"}},
        {.name = "a channel's own swing wins over swing all on its line",
         .cells = {{1, 3, Command(0x91, 0x80), 1},
                   {1, 0, Command(0x92, 0x40)},
                   {1, 1, Note(60)},
                   {1, 0, Note(65), 1}},
         .sent = {"75: 90 3c 50@0 150000", "90: 91 41 50@0 180000"}},
        {.name = "swing squeezes a fine delay into the rest of the line",
         .cells = {{1, 0, Note(60, 0xD1, 8)}, {1, 1, Command(0x91, 0x80)}},
         .sent = {"105: 90 3c 50@0 210000"}},
        {.name = "a swung note gate follows its note",
         .cells = {{1, 0, Note(60, 0x80)}, {1, 1, Command(0x91, 0x80)}},
         .sent = {"90: 90 3c 50@0 180000", "105: 80 3c 64@0 210000"}},
        {.name = "a swung note gate alone ends the old note at the swung half",
         .cells = {{0, 0, Note(60)}, {1, 0, Command(0x80, 0)}, {1, 1, Command(0x91, 0x80)}},
         .sent = {"0: 90 3c 50@0 0", "105: 80 3c 64@0 210000"}},
        {.name = "a swung fine gate",
         .cells = {{1, 0, Note(60, 0x81, 4)}, {1, 1, Command(0x91, 0x80)}},
         .sent = {"90: 90 3c 50@0 180000", "98: 80 3c 64@0 195000"}},
        {.name = "a swung ratchet",
         .cells = {{1, 0, Note(60, 0xE1, 2)}, {1, 1, Command(0x91, 0x80)}},
         .sent = {"90: 90 3c 50@0 180000", "105: 80 3c 64@0 210000", "105: 90 3c 50@0 210000"}},
        {.name = "a swung off",
         .cells = {{0, 0, Note(60)}, {1, 0, Note(kNoteOff)}, {1, 1, Command(0x91, 0x80)}},
         .sent = {"0: 90 3c 50@0 0", "90: 80 3c 64@0 180000"}},
        {.name = "swing moves notes, not controllers",
         .cells = {{1, 0, Note(60, 0x07, 100)}, {1, 1, Command(0x91, 0x80)}},
         .sent = {"60: b0 07 64@0 120000", "90: 90 3c 50@0 180000"}},
        {.name = "chance FF always plays",
         .cells = {{0, 0, Note(60, 0xC1, 0xFF)}},
         .lines = 1,
         .sent = {"0: 90 3c 50@0 0"}},
        {.name = "chance 00 never plays and the old note rings on",
         .cells = {{0, 0, Note(60)}, {1, 0, Note(62, 0xC1, 0)}},
         .sent = {"0: 90 3c 50@0 0"}},
        {.name = "chance 00 still lets an off end the note",
         .cells = {{0, 0, Note(60)}, {1, 0, Note(kNoteOff, 0xC1, 0)}},
         .sent = {"0: 90 3c 50@0 0", "60: 80 3c 64@0 120000"}},
        // The default seed's choices at row 1, pinned so that a song's export stays the same
        // from one version to the next. Up to 31.875 ms and 63 either way: the notes at the
        // line start drawn early stay there, the fine-delayed ones (due at 180 ms) move early.
        {.name = "humanize FF moves notes and velocities",
         .cells = {{1, 0, Note(60)},
                   {1, 1, Note(62)},
                   {1, 2, Note(64)},
                   {1, 3, Note(65, 0xD1, 8)},
                   {1, 4, Note(67, 0xD1, 8)},
                   {1, 5, Command(0xC2, 0xFF)},
                   {1, 6, Note(69)},
                   {1, 7, Note(71)}},
         .sent = {"60: 90 3c 76@0 120000", "60: 90 3e 6d@0 120000", "60: 90 40 7f@0 120000",
                  "62: 90 47 65@0 122375", "68: 90 45 1b@0 134250", "83: 90 41 4f@0 166000",
                  "90: 90 43 50@0 178500"}},
        {.name = "humanize 00 changes nothing",
         .cells = {{1, 6, Note(69)}, {1, 5, Command(0xC2, 0)}},
         .sent = {"60: 90 45 50@0 120000"}},
        {.name = "humanize leaves velocity 0 alone",
         .cells = {{1, 6, {69, 0, kNoCommand, 0}}, {1, 5, Command(0xC2, 0xFF)}},
         .sent = {"68: 90 45 00@0 134250"}},
        {.name = "humanize holds on the lines after it",
         .cells = {{0, 5, Command(0xC2, 0xFF)}, {1, 6, Note(69)}},
         .sent = {"68: 90 45 1b@0 134250"}},
    };
    for (const auto& c : cases) {
        Compose(c.cells);
        EXPECT_EQ(Play(60 * c.lines), c.sent) << c.name;
    }
}

// The 2 ms clock counts the swing: a later Start, or pattern mode, plays on from a clean slate.
TEST_F(FeelCommands, StartClearsSwingAndHumanizeAndPatternModeSwingsItsOddLines) {
    Compose({{0, 0, Command(0x91, 0x80)}, {0, 1, Command(0xC2, 0xFF)}, {1, 0, Note(62)}});
    Play(60);
    Cell(0, 0) = kEmptyCell;
    Cell(0, 1) = kEmptyCell;
    EXPECT_THAT(Play(120), ElementsAreArray({"60: 90 3e 50@0 120000"}));
    Cell(0, 0) = Command(0x91, 0x80);
    EXPECT_THAT(Play(120, kPatternMode), ElementsAreArray({"90: 90 3e 50@0 180000"}));
}

// Line lengths that do not divide: 130 BPM plays lines of 58 ticks, 512 BPM of 15, and a swung
// half line past the last tick goes in that tick, so no gate outlives its line.
TEST_F(FeelCommands, SwungHalfLinesStayInsideTheirLine) {
    doc.SetBpm(512);
    Compose({{0, 0, Note(60)}, {1, 0, Command(0x80, 0)}, {1, 1, Command(0x91, 0xFF)}});
    EXPECT_THAT(Play(30), ElementsAreArray({"0: 90 3c 50@0 0", "29: 80 3c 64@0 59941"}));
    EXPECT_EQ(doc.player.pendingAction[0][0], kNoAction);
}

// The export's offline render runs the same player: every command of the family, and the fine
// ones, give the same messages at the same times, those carried into a next line included.
TEST_F(FeelCommands, TheOfflineRenderHoldsWhatPlayingSends) {
    doc.SetBpm(130);  // lines of 115 ms that play 116: steps fall between ticks
    std::vector<Placed> cells = {
        {0, 15, Command(0x92, 0x60)},    {0, 14, Command(0xC2, 0xC0)},
        {0, 14, Command(0xC2, 0x40), 1}, {5, 15, Command(0x91, 0xB0), 1},
        {9, 15, Command(0x92, 0), 1},    {12, 14, Command(0xC2, 0), 1},
        {12, 15, Command(0x91, 0xFF)},   {14, 14, Command(0xC2, 0xFF)},
    };
    for (int line = 0; line < 16; ++line) {
        cells.push_back({line, 0, Note(36 + line % 5)});
        cells.push_back({line, 1, Note(60, 0xC1, 0x80)});
        cells.push_back({line, 2, Note(64, 0xE1, 2 + line % 4)});
        cells.push_back({line, 3, Note(67, 0xD1, line)});
        cells.push_back({line, 4, Note(line % 3 ? 70 : kNoteOff, 0x81, 15 - line)});
        cells.push_back({line, 5, Note(72, line % 2 ? 0x80 : 0xD0)});
        cells.push_back({line, 0, Note(48 + line, line % 2 ? 0xE0 : 0xC1, 0xC0), 1});
        cells.push_back({line, 1, Note(50, 0xD1, 15), 1});
    }
    Compose(cells);
    e.loopEndRow = 16;
    RenderedPass pass;
    std::string whyNot;
    ASSERT_TRUE(RenderSongPass(doc.song, 16, pass, whyNot)) << whyNot;
    std::vector<std::string> rendered;
    for (const RenderedMessage& m : pass.messages)
        rendered.push_back(
            std::to_string(m.ms) + ": " +
            testing::Describe({0, {m.bytes[0], m.bytes[1], m.bytes[2]}, m.length, 0}));

    doc.StartPlayback(kSongMode);
    t.midi.Clear();
    int tick = 0;
    for (; tick < 16 * 58; ++tick) {
        t.midi.SetStamp(tick);
        doc.PlayerTick();
    }
    t.midi.SetStamp(tick);
    doc.StopPlayback();
    std::vector<std::string> played;
    for (const RecordedMessage& m : t.midi.Messages())
        played.push_back(std::to_string(2 * m.stamp) + ": " +
                         testing::Describe({0, {m.bytes[0], m.bytes[1], m.bytes[2]}, m.length, 0}));
    EXPECT_EQ(rendered, played);
    // Swing and humanize moved notes off the line starts; chance dropped some.
    EXPECT_GE(std::count_if(played.begin(), played.end(),
                            [](const std::string& m) {
                                return m.find(": 90 2") != m.npos && std::stoi(m) % 116 != 0;
                            }),
              8);
    const auto chanced = std::count_if(played.begin(), played.end(), [](const std::string& m) {
        return m.find(": 90 3c") != m.npos;
    });
    EXPECT_GT(chanced, 0);
    EXPECT_LT(chanced, 16);
}

// A row plays the same whether the play started there or ran into it; another seed chooses
// otherwise. (That a render chooses as playing does is the render's test.)
TEST_F(FeelCommands, TheSameSeedAndRowMakeTheSameChoices) {
    Compose({{0, 0, Note(40, 0xC1, 0x80)},
             {0, 1, Note(41, 0xC1, 0x80)},
             {0, 2, Note(42, 0xC1, 0x80)},
             {0, 15, Command(0xC2, 0xFF)}});
    doc.song.patterns[0].lineCount = 1;
    for (int row = 0; row < 64; ++row) doc.song.sequence[row][0] = {0, 0, 0};
    // The note-ons of rows 32..63, as "<tick>: <message> <due us>" from row 32's start.
    const auto noteOnsFrom = [&](int row) {
        e.seqCursorRow = row;
        std::vector<std::string> ons;
        for (const std::string& m : Play(60 * (64 - row))) {
            const int tick = std::stoi(m) - 60 * (32 - row);
            const std::size_t colon = m.find(':'), due = m.rfind(' ');
            if (tick < 0 || m[colon + 2] != '9') continue;
            ons.push_back(std::to_string(tick) + m.substr(colon, due - colon) + " " +
                          std::to_string(std::stoll(m.substr(due + 1)) - 120'000 * (32 - row)));
        }
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
        Cell(0, column) = Note(40 + column, 0xC1, chances[column]);
    doc.StartPlayback(kPatternMode);
    t.midi.Clear();
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
    EXPECT_EQ(played[0], 0);
    EXPECT_EQ(played[6], kLines);
}

// Humanize PP moves notes by up to PP/8 ms and velocities by up to PP/4, every amount as
// likely; a note at a line's start moves only later, one later in the line either way.
TEST_F(FeelCommands, HumanizeSpreadsTimingAndVelocityEvenlyWithinItsRange) {
    constexpr int kLines = 2'000;
    doc.song.patterns[0].lineCount = 1;
    Cell(0, 0) = {60, 0x40, kNoCommand, 0};
    Cell(0, 1) = {62, 0x40, 0xD1, 8};  // due at 60 ms
    Cell(0, 2) = Command(0xC2, 0xFF);  // +-31.875 ms, +-63
    doc.StartPlayback(kPatternMode);
    t.midi.Clear();
    for (int at = 0; at < 60 * kLines; ++at) doc.PlayerTick(kStartNs + at * kTickNs);
    std::map<int, std::vector<std::int64_t>> moved;  // per note, due - nominal, us
    std::vector<int> velocities;
    for (const RecordedMessage& m : t.midi.Messages()) {
        if (m.bytes[0] != 0x90) continue;
        const std::int64_t inLine = (m.dueNs - kStartNs) % 120'000'000 / 1000;
        // A note moved late past its line's 120 ms wraps to the next line.
        moved[m.bytes[1]].push_back(inLine);
        velocities.push_back(m.bytes[2]);
    }
    ASSERT_EQ(moved[60].size(), std::size_t{kLines});
    ASSERT_EQ(moved[62].size(), std::size_t{kLines});
    const auto [earliest, latest] = std::minmax_element(moved[60].begin(), moved[60].end());
    EXPECT_EQ(*earliest, 0);
    EXPECT_GT(*latest, 0);
    // Half the draws are early; those stay at the line start.
    const auto atStart = std::count(moved[60].begin(), moved[60].end(), 0);
    EXPECT_NEAR(atStart / double{kLines}, 0.5, 0.03);
    std::vector<std::int64_t> delayed = moved[62];
    for (std::int64_t& d : delayed) d -= 60'000;
    const auto [early, late] = std::minmax_element(delayed.begin(), delayed.end());
    EXPECT_GE(*early, -31'875);
    EXPECT_LT(*early, -30'000);
    EXPECT_LE(*late, 31'875);
    EXPECT_GT(*late, 30'000);
    double sum = 0;
    for (const std::int64_t d : delayed) sum += d;
    EXPECT_NEAR(sum / kLines, 0, 1'500);
    const auto [quietest, loudest] = std::minmax_element(velocities.begin(), velocities.end());
    EXPECT_EQ(*quietest, 0x40 - 63);
    EXPECT_EQ(*loudest, 0x40 + 63);
}

}  // namespace
}  // namespace tarvel

// Following a master's MIDI clock, on recording devices: the clock messages go in through the
// document's input as an input's thread hands them over, each stamped with its arrival, and the
// 2 ms ticks run on a simulated timeline, so every line's due time can be checked against the
// master's clocks.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>

#include "engine/ClockFollow.h"
#include "support/FollowedRowsTest.h"

namespace tarvel {
namespace {

using ::testing::Contains;

constexpr std::int64_t kLatencyNs = ClockFollowState::kLatencyNs;
constexpr std::int64_t kClock125Ns = 20'000'000;  // 125 BPM: 24 clocks a beat of 480 ms

// Row r plays note 36 + r % 16, gated (its note-off at half line) unless a test says otherwise.
class ClockFollow : public testing::FollowedRowsTest {
  protected:
    void SetUp() override {
        doc.SetTempoSource(TempoSource::kMidiClock);
        Hold();
        doc.SetSendsClock(1, true);
        WriteRowNamingSong(60, 160);  // 250 ms lines: the followed tempo is not the song's
        e.loopEndRow = 160;
    }
    // The master's messages, delivered in time order as the ticks come to them.
    void Send(std::int64_t atNs, std::uint8_t status, std::uint8_t d1 = 0, std::uint8_t d2 = 0) {
        schedule.push_back({status, d1, d2, atNs, fromSource});
        lastNs = std::max(lastNs, atNs);
    }
    // `count` clocks from `fromNs`, `periodNs` apart, each moved by up to +-jitterNs. Returns
    // when the next would be due.
    std::int64_t Clocks(std::int64_t fromNs, int count, std::int64_t periodNs,
                        std::int64_t jitterNs = 0) {
        for (int i = 0; i < count; ++i)
            Send(fromNs + i * periodNs + std::uniform_int_distribution(-jitterNs, jitterNs)(random),
                 0xF8);
        return fromNs + count * periodNs;
    }
    // Ticks every 2 ms up to `untilNs`, handing over what arrived before each.
    void RunUntil(std::int64_t untilNs) {
        std::stable_sort(schedule.begin(), schedule.end(),
                         [](const auto& a, const auto& b) { return a.dueNs < b.dueNs; });
        for (; nowNs <= untilNs; nowNs += 2 * kMs) {
            while (next < schedule.size() && schedule[next].dueNs <= nowNs)
                doc.ReceiveMidi(schedule[next++]);
            doc.PlayerTick(nowNs);
        }
    }
    void RunPastLast(std::int64_t moreNs = 10 * kMs) { RunUntil(lastNs + moreNs); }

    std::vector<int> RowsPlayed() const {
        std::vector<int> rows;
        for (const RecordedMessage& m : Notes(0x90)) rows.push_back(m.bytes[1] - 36);
        return rows;
    }

    std::vector<MidiInMessage> schedule;
    std::size_t next = 0;
    std::int64_t lastNs = kBaseNs;
    std::minstd_rand random{7};
    std::uint8_t fromSource = 1;  // the messages come from the chosen input
};

// Scripts: "start", "cont", "stop", "spp:<n>" and "<n>c" (n clocks at 125 BPM), 5 ms apart.
TEST_F(ClockFollow, StartContinueStopAndSongPositionMoveThePlayerAsTheMasterSays) {
    struct Case {
        const char* name;
        const char* script;
        std::vector<int> rows;  // the rows played, in order, as their notes name them
        bool playing;
        bool fromSource = true;
    };
    const Case cases[] = {
        {.name = "Start plays from row 0 wherever the player was",
         .script = "spp:5 start 18c",
         .rows = {0, 1, 2},
         .playing = true},
        {.name = "clocks alone play nothing", .script = "30c", .rows = {}, .playing = false},
        {.name = "Stop stops", .script = "start 7c stop 18c", .rows = {0, 1}, .playing = false},
        {.name = "Continue goes on after the last whole line",
         .script = "start 12c stop 30c cont 12c",
         .rows = {0, 1, 2, 3},
         .playing = true},
        {.name = "Continue replays a line cut short",
         .script = "start 9c stop cont 6c",
         .rows = {0, 1, 1},
         .playing = true},
        {.name = "a Song Position Pointer while playing moves the next line",
         .script = "start 3c spp:40 12c",
         .rows = {0, 40 % 16, 41 % 16},
         .playing = true},
        {.name = "a Song Position Pointer while stopped, then Continue, plays from there",
         .script = "spp:20 cont 12c",
         .rows = {20 % 16, 21 % 16},
         .playing = true},
        {.name = "a position past row 127 takes its high byte",
         .script = "start 3c spp:150 12c",
         .rows = {0, 150 % 16, 151 % 16},
         .playing = true},
        {.name = "a position past the loop's end plays the loop",
         .script = "start 3c spp:168 12c",
         .rows = {0, 0, 1},
         .playing = true},
        {.name = "only the chosen input's clock counts",
         .script = "start 12c",
         .rows = {},
         .playing = false,
         .fromSource = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fromSource = c.fromSource;
        std::int64_t at = nowNs + 5 * kMs;
        std::istringstream words(c.script);
        for (std::string word; words >> word; at += 5 * kMs) {
            if (word == "start") Send(at, 0xFA);
            if (word == "cont") Send(at, 0xFB);
            if (word == "stop") Send(at, 0xFC);
            if (word.rfind("spp:", 0) == 0) {
                const int row = std::stoi(word.substr(4));
                Send(at, 0xF2, row & 0x7F, row >> 7);
            }
            if (word.back() == 'c') at = Clocks(at, std::stoi(word), kClock125Ns);
        }
        RunPastLast();
        EXPECT_EQ(RowsPlayed(), c.rows);
        EXPECT_EQ(doc.player.isPlaying != 0, c.playing);
        EXPECT_TRUE(c.playing || Notes(0x80).size() == Notes(0x90).size()) << "a note sounds";
        doc.StopPlayback();
        t.midi.Clear();
    }
}

// Each line is due its sixth clock's time plus the constant latency, and its half-line note-off
// three clocks later, whatever the song's tempo (which stays as it was). Even clocks make the
// loop's prediction exact; a master's +-1 ms jitter, which would make the raw clocks' lines up
// to 2 ms uneven, moves the lines less than 0.5 ms once the loop has locked (a beat in). The
// loop's tempo is the master's within a tenth of a percent.
TEST_F(ClockFollow, LinesStartOnEverySixthClockAtItsTimePlusTheLatency) {
    struct Case {
        const char* name;
        std::int64_t periodNs;
        std::int64_t jitterNs = 0;
        int lines = 8;
    };
    const Case cases[] = {
        {.name = "125 BPM", .periodNs = 20 * kMs},
        {.name = "129.3 BPM, a clock every 19.33 ms", .periodNs = 19'333'333},
        {.name = "300 BPM", .periodNs = 8'333'333},
        {.name = "40 BPM", .periodNs = 62'500'000},
        {.name = "125 BPM +-1 ms", .periodNs = 20 * kMs, .jitterNs = kMs, .lines = 128},
    };
    const Song before = doc.song;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t startNs = nowNs + 3 * kMs;
        Send(startNs, 0xFA);
        Clocks(startNs + kMs, 6 * c.lines, c.periodNs, c.jitterNs);
        RunPastLast(c.periodNs * 6);
        const std::vector<RecordedMessage> ons = Notes(0x90);
        const std::vector<RecordedMessage> offs = Notes(0x80);
        ASSERT_EQ(ons.size(), std::size_t(c.lines));
        ASSERT_EQ(offs.size(), ons.size());
        for (std::size_t line = c.jitterNs ? 4 : 0; line < ons.size(); ++line) {
            const std::int64_t clockNs = startNs + kMs + std::int64_t(line) * 6 * c.periodNs;
            EXPECT_NEAR(ons[line].dueNs, clockNs + kLatencyNs, c.jitterNs ? kMs / 2 : 1)
                << "line " << line;
            // The first line after a pause still has the old tempo: the new one is not known yet.
            if (line > 0) {
                EXPECT_NEAR(offs[line].dueNs - ons[line].dueNs, 3 * c.periodNs, 2 * kMs)
                    << "line " << line;
            }
        }
        const double bpm = 60e9 / 24 / static_cast<double>(c.periodNs);
        EXPECT_NEAR(doc.engine.FollowedBpm(), bpm, bpm / 1000);
        doc.StopPlayback();
        t.midi.Clear();
    }
    EXPECT_EQ(std::memcmp(&before, &doc.song, sizeof before), 0) << "the song was written";
}

// A tick held up while lines' clocks came (a machine stalled) plays those lines in turn, each
// still due at its own clock plus the latency; of more than four, the oldest clocks' times go.
TEST_F(ClockFollow, ATickHeldUpPlaysTheLinesThatCameInTurnAtTheNewestFourClocks) {
    for (const auto& [lines, firstDueLine] : {std::pair{3, 0}, {6, 2}}) {
        SCOPED_TRACE(lines);
        const std::int64_t startNs = nowNs + kMs;
        Send(startNs, 0xFA);
        Clocks(startNs + kMs, 6 * lines, kClock125Ns);
        for (; next < schedule.size(); ++next) doc.ReceiveMidi(schedule[next]);  // before a tick
        RunUntil(nowNs + 20 * kMs);
        std::vector<std::pair<int, std::int64_t>> played, expected;
        for (const RecordedMessage& m : Notes(0x90)) played.emplace_back(m.bytes[1] - 36, m.dueNs);
        for (int row = 0; row < std::min(lines, 4); ++row)
            expected.emplace_back(
                row, startNs + kMs + (firstDueLine + row) * 6 * kClock125Ns + kLatencyNs);
        EXPECT_EQ(played, expected);
        doc.StopPlayback();
        t.midi.Clear();
    }
}

// No clock for half a second while playing: the tempo box shows the master's, the sounding
// note stops, the status bar says so once and the tempo is held; when the clock comes back the
// next line plays.
TEST_F(ClockFollow, ALostClockHoldsTheTempoSaysSoOnceAndLeavesNoNoteSounding) {
    for (int p = 0; p < 16; ++p) doc.song.patterns[p].cells[0][0].command = kNoCommand;  // no gate
    const std::int64_t startNs = nowNs + 3 * kMs;
    Send(startNs, 0xFA);
    const std::int64_t lastClockNs = Clocks(startNs + kMs, 9, kClock125Ns) - kClock125Ns;
    RunUntil(lastClockNs + 490 * kMs);
    EXPECT_EQ(RowsPlayed(), (std::vector<int>{0, 1}));
    EXPECT_EQ(Notes(0x80).size(), 1u);  // the second note still sounds
    EXPECT_THAT(UiEvents(), Contains("bpm:125"));
    RunUntil(lastClockNs + 1500 * kMs);
    EXPECT_EQ(Notes(0x80).size(), 2u);
    EXPECT_THAT(UiEvents(), Contains("status:MIDI clock lost: holding 125 BPM").Times(1));

    Clocks(nowNs + 5 * kMs, 7, kClock125Ns);
    RunPastLast();
    EXPECT_EQ(RowsPlayed(), (std::vector<int>{0, 1, 2, 3}));

    // Stopped by the master, which then goes quiet: nothing to say. Back on its own clock, the
    // tempo box shows the song's tempo.
    Send(nowNs + 5 * kMs, 0xFC);
    RunUntil(nowNs + 1500 * kMs);
    EXPECT_THAT(UiEvents(), Not(Contains(::testing::StartsWith("status:"))));
    lock.unlock();
    doc.SetTempoSource(TempoSource::kInternal);
    EXPECT_THAT(UiEvents(), Contains("bpm:60"));
    lock.lock();
}

// Clock out relays the master: its position, Start, each clock, Stop and Continue at their times
// plus the latency; and sends no clock of its own meanwhile.
TEST_F(ClockFollow, ClockOutRelaysTheFollowedClock) {
    const std::int64_t startNs = nowNs + 3 * kMs;
    Send(nowNs + kMs, 0xF2, 5, 0);
    Send(startNs, 0xFA);
    Send(Clocks(startNs + kMs, 12, kClock125Ns), 0xFC);
    Send(lastNs + 100 * kMs, 0xFB);
    Send(Clocks(lastNs + kMs, 6, kClock125Ns), 0xFC);
    RunPastLast(300 * kMs);
    std::vector<std::pair<int, std::int64_t>> expected, relayed;  // what the clock device got
    for (const MidiInMessage& m : schedule) expected.emplace_back(m.status, m.dueNs);
    for (const RecordedMessage& m : t.midi.Messages())
        if (m.device == 1) relayed.emplace_back(m.bytes[0], m.dueNs - kLatencyNs);
    EXPECT_EQ(relayed, expected);
}

}  // namespace
}  // namespace tarvel

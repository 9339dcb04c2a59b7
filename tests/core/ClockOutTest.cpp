// MIDI clock out, tick by tick on recording devices: each tick is given a deadline 2 ms after
// the last, so every message's due time can be checked to the nanosecond.
#include <gmock/gmock.h>

#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::int64_t kBaseNs = 1'000'000'000;
constexpr std::int64_t kTickNs = 2'000'000;

class ClockOut : public testing::DocumentTest {
  protected:
    void SetUp() override {
        Hold();
        doc.SetSendsClock(1, true);  // device 0 plays notes only
    }

    void Tick(int count) {
        for (int i = 0; i < count; ++i) {
            t.midi.SetStamp(tick);
            doc.PlayerTick(kBaseNs + kTickNs * tick++);
        }
    }
    // The real-time and position messages device 1 got since the last call, and their due
    // times; anything else reaching device 0 or 1 is checked by the tests themselves.
    struct Received {
        std::vector<std::string> messages;
        std::vector<std::int64_t> clockDueNs;
    };
    Received TakeClockDevice() {
        Received received;
        for (const RecordedMessage& m : t.midi.Messages()) {
            if (m.device != 1 || m.bytes[0] < 0xF0) continue;
            if (m.bytes[0] == 0xF8)
                received.clockDueNs.push_back(m.dueNs);
            else
                received.messages.push_back(testing::Describe(m));
        }
        t.midi.Clear();
        return received;
    }

    int tick = 0;
};

// For tempos whose sixth of a line is and is not a whole number of ticks: Start, then exactly
// 24 clocks per beat spaced evenly to the nanosecond at the line's length in whole ticks, then
// Stop. Gated notes share ticks with clocks due inside them, and still go at the tick's time.
TEST_F(ClockOut, CountsTwentyFourClocksPerBeatSpacedEvenlyBetweenStartAndStop) {
    for (int line = 0; line < 12; ++line) Cell(line, 0) = {60, 0x50, 0x80, 0};
    // The line's length in ms: 2 x ceil(15000 / bpm / 2).
    for (const auto& [bpm, lineMs] : {std::pair{125, 120}, {130, 116}, {97, 154}, {512, 30}}) {
        SCOPED_TRACE(bpm);
        doc.SetBpm(bpm);
        doc.StartPlayback(kPatternMode);
        const std::int64_t startNs = kBaseNs + kTickNs * tick;
        Tick(3 * 4 * lineMs / 2);  // three beats
        for (const RecordedMessage& m : t.midi.Messages()) {
            const std::int64_t intoTickNs = m.dueNs - (kBaseNs + kTickNs * m.stamp);
            EXPECT_TRUE(m.bytes[0] == 0xF8 ? intoTickNs >= 0 && intoTickNs < kTickNs : !intoTickNs)
                << testing::Describe(m) << " at tick " << m.stamp;
        }
        doc.StopPlayback();
        const Received got = TakeClockDevice();
        EXPECT_THAT(got.messages, ElementsAre("fa@1", "fc@1"));
        ASSERT_EQ(got.clockDueNs.size(), 24u * 3);
        const std::int64_t lineNs = lineMs * std::int64_t{1'000'000};
        for (std::int64_t k = 0; k < std::int64_t(got.clockDueNs.size()); ++k)
            ASSERT_EQ(got.clockDueNs[k], startNs + k / 6 * lineNs + k % 6 * lineNs / 6) << k;
    }
}

// A Set BPM cell changes the clocks' spacing from the line it is on; a tempo typed in mid-line
// that cuts the line short still leaves six clocks in it.
TEST_F(ClockOut, FollowsTempoCellsAtTheirLineAndNeverLosesAClock) {
    doc.song.patterns[0].lineCount = 4;
    Cell(2, 0) = {kNoNote, kDefaultVelocity, 0x90, 250};  // BPM 250: 60 ms lines
    doc.StartPlayback(kPatternMode);
    Tick(60 + 60 + 30 + 30);  // two lines of 120 ms, two of 60 ms
    Received got = TakeClockDevice();
    ASSERT_EQ(got.clockDueNs.size(), 24u);
    for (std::size_t k = 1; k < got.clockDueNs.size(); ++k)
        EXPECT_EQ(got.clockDueNs[k] - got.clockDueNs[k - 1], k <= 12 ? 20'000'000 : 10'000'000)
            << "clock " << k;

    doc.SetBpm(125);
    Tick(40);         // two thirds into a 120 ms line: four clocks
    doc.SetBpm(500);  // 30 ms: the line ends at the next tick
    Tick(1 + 15);
    got = TakeClockDevice();
    EXPECT_EQ(got.clockDueNs.size(), 6u + 6u) << "the short line's clocks, then a whole line";
}

// Start from the top, a position and Continue from another row, and Stop, position and Continue
// wherever the song jumps: a seek, the loop's wrap, a device that joins mid-song.
TEST_F(ClockOut, TellsTheSongPositionWheneverPlayingStartsElsewhere) {
    e.loopStartRow = 2;
    e.loopEndRow = 4;
    e.seqCursorRow = 0;
    doc.StartPlayback(kSongMode);
    Tick(60 * 4);  // rows 0, 1, 2, 3
    EXPECT_THAT(TakeClockDevice().messages, ElementsAre("fa@1"));
    Tick(60);  // the wrap to row 2
    EXPECT_THAT(TakeClockDevice().messages, ElementsAre("fc@1", "f2 02 00@1", "fb@1"));

    e.seqCursorRow = 200;
    doc.StartPlayback(kSongMode);
    Tick(1);
    EXPECT_THAT(TakeClockDevice().messages, ElementsAre("f2 48 01@1", "fb@1"));
    Tick(59);
    doc.engine.SeekTo(16383);
    Tick(60);
    EXPECT_THAT(TakeClockDevice().messages, ElementsAre("fc@1", "f2 7f 7f@1", "fb@1"));

    doc.SetSendsClock(0, true);
    Tick(60);
    EXPECT_THAT(t.TakeSent(), ::testing::IsSupersetOf({"fc@0", "f2 02 00@0", "fb@0"}));
    doc.SetSendsClock(0, false);
    EXPECT_THAT(t.TakeSent(), ElementsAre("fc@0"));
    doc.StopPlayback();
    doc.StopPlayback();  // a second Stop sends nothing
    EXPECT_THAT(t.TakeSent(), ElementsAre("fc@1"));
    doc.SetSendsClock(1, false);
    EXPECT_THAT(t.TakeSent(), IsEmpty()) << "taken off the clock while stopped";
}

}  // namespace
}  // namespace tarvel

// Following a transport like JACK's, on recording devices: a scripted transport says where it
// stands before each simulated 2 ms tick, and the notes played name their rows (row r plays
// note 36 + r % 16), so the rows and their due times can be checked against its frames.
#include <gmock/gmock.h>

#include <cstdint>
#include <utility>

#include "support/FollowedRowsTest.h"

namespace tarvel {
namespace {

constexpr int kRate = 48000;

struct ScriptedTransport final : TransportClock {
    TransportPosition now{};
    std::int64_t startedAt = -1;
    bool Read(TransportPosition& position) const noexcept override {
        position = now;
        return true;
    }
    void StartAt(std::int64_t frame) override { startedAt = frame; }
};

class TransportFollow : public testing::FollowedRowsTest {
  protected:
    void SetUp() override {
        doc.SetTempoSource(TempoSource::kJackTransport);
        doc.SetTransportClock(&transport);
        Hold();
        WriteRowNamingSong(125);  // 120 ms lines, 5,760 frames
    }
    // The transport stands at `frame` (rolling or not) from now on, moving with the clock.
    void Transport(bool rolling, std::int64_t frame, double bpm = 0) {
        transport.now = {};
        transport.now.frame = frame;
        transport.now.cycleNs = nowNs;
        transport.now.bpm = bpm;
        transport.now.frameRate = kRate;
        transport.now.rolling = rolling ? 1 : 0;
        if (bpm > 0) transport.now.beats = static_cast<double>(frame) / kRate * bpm / 60;
    }

    ScriptedTransport transport;
};

TEST_F(TransportFollow, StartStopAndLocateMoveThePlayerOnTheTransportsFrames) {
    const std::int64_t latency = ClockFollowState::kLatencyNs;
    // A reading with no frame rate (a server not ready) is no position.
    Transport(true, 5 * 5760);
    transport.now.frameRate = 0;
    RunFor(10 * kMs);
    EXPECT_FALSE(doc.player.isPlaying);
    // Located while stopped (to the first row, past the grid's last, to row 5), then started:
    // row 5 is due as the transport passes its frame, plus the constant latency, and each next
    // row a line later.
    for (const auto& [frame, row] : {std::pair<std::int64_t, int>{0, 0},
                                     {std::int64_t{1} << 40, kSequenceRows - 1},
                                     {5 * 5760, 5}}) {
        Transport(false, frame);
        RunFor(10 * kMs);
        EXPECT_EQ(doc.player.playRow, row) << "frame " << frame;
    }
    const std::int64_t startNs = nowNs + latency;
    Transport(true, 5 * 5760);
    RunFor(250 * kMs);
    EXPECT_EQ(NoteOns(startNs), (std::vector<std::string>{"5@0.000", "6@120.0", "7@240.0"}));

    // Stopped (every note released: TransportFollowJack), then started again. Located while
    // rolling: the next line is the located one.
    Transport(false, 7 * 5760 + 100);
    RunFor(4 * kMs);
    t.midi.Clear();
    // First seen 5 ms (240 frames) into row 20, as a start is at a period of 256 frames: it is
    // still in time, at its own due time.
    const std::int64_t relocatedNs = nowNs - 5 * kMs + latency;
    Transport(true, 20 * 5760 + 240);
    RunFor(130 * kMs);
    Transport(true, 40 * 5760);  // a locate while rolling
    const std::int64_t locatedNs = nowNs + latency;
    RunFor(10 * kMs);
    EXPECT_EQ(NoteOns(relocatedNs)[0], "4@0.000");
    EXPECT_EQ(NoteOns(locatedNs).back(), "8@0.000") << "row 40";

    // First seen 7 ms (336 frames) into row 60, past its due time: row 61 is the first.
    t.midi.Clear();
    const std::int64_t lateNs = nowNs + 113 * kMs + latency;
    Transport(true, 60 * 5760 + 336);
    RunFor(130 * kMs);
    EXPECT_EQ(NoteOns(lateNs)[0], "13@0.000");
}

TEST_F(TransportFollow, ATimebaseMastersTempoSetsTheLinesAndAGoneServerStopsOnce) {
    // 150 BPM from the timebase master: 100 ms lines, whatever the song's tempo, and its beats
    // the row: 1.25 beats in is row 5.
    const std::int64_t startNs = nowNs + ClockFollowState::kLatencyNs;
    Transport(true, 5 * 4800, 150);
    RunFor(210 * kMs);
    EXPECT_EQ(NoteOns(startNs), (std::vector<std::string>{"5@0.000", "6@100.0", "7@200.0"}));
    EXPECT_EQ(doc.song.lineDuration, 120) << "the song's tempo is never written";

    transport.now.serverGone = 1;
    RunFor(10 * kMs);
    EXPECT_FALSE(doc.player.isPlaying);
    EXPECT_THAT(UiEvents(),
                ::testing::Contains("status:JACK transport lost: holding 150 BPM").Times(1));
}

TEST_F(TransportFollow, PlayLeadsTheTransportToTheCursorRowsFrameAtTheMastersTempo) {
    lock.unlock();  // Play takes the lock itself
    // A master's BPM, or 0: none, and the song's 125 BPM sets the lines.
    for (const auto& [masterBpm, frame] : {std::pair{0.0, 8 * 5760}, {150.0, 8 * 4800}}) {
        SCOPED_TRACE(masterBpm);
        Transport(false, 0, masterBpm);
        doc.editor.seqCursorRow = 8;
        ASSERT_TRUE(doc.StartSharedTransport());
        EXPECT_EQ(transport.startedAt, frame);
    }
}

}  // namespace
}  // namespace tarvel

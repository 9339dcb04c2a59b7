// Following a Link session, on recording devices: a scripted session's timeline (a tempo from a
// beat at a moment) is read before each simulated 2 ms tick, and the notes played name their
// rows (row r plays note 36 + r % 16), so rows and due times can be checked against its beats.
#include <gmock/gmock.h>

#include <cmath>

#include "support/FollowedRowsTest.h"

namespace tarvel {
namespace {

using ::testing::Contains;

struct ScriptedSession final : BeatClock {
    // The timeline: `at.beat` at `at.atNs`, going on at `at.bpm`; what Read gives, at its moment.
    BeatPosition at{};
    std::vector<std::string> proposed;

    bool Read(std::int64_t nowNs, BeatPosition& p) noexcept override {
        p = at;
        p.atNs = nowNs;
        p.beat = BeatAt(nowNs);
        return true;
    }
    double BeatAt(std::int64_t ns) const {
        return at.beat + static_cast<double>(ns - at.atNs) * at.bpm / 60e9;
    }
    void Play(bool on, std::int64_t nowNs) {
        at.playing = on;
        at.playingSinceNs = nowNs;
    }
    void ProposeTempo(double next) override {
        proposed.push_back("tempo " + std::to_string(int(next)));
    }
    void ProposePlaying(bool on) override { proposed.push_back(on ? "play" : "stop"); }
};

class LinkFollow : public testing::FollowedRowsTest {
  protected:
    void SetUp() override {
        session.at.atNs = nowNs;  // beat 0 now, at 125 BPM, in bars of four
        session.at.bpm = 125;
        session.at.quantum = 4;
        doc.SetTempoSource(TempoSource::kAbletonLink);
        doc.SetBeatClock(&session);
        Hold();
        WriteRowNamingSong(90);  // which following never plays nor writes
    }

    ScriptedSession session;
};

TEST_F(LinkFollow, AStartWaitsForTheBarAndLinesFallOnTheSessionsBeatsAtItsTempo) {
    // Half way into the second beat of a bar at 125 BPM (480 ms beats, 120 ms lines), the
    // session starts: the cursor's row 8 waits for the next bar, 2.5 beats on, each next row a
    // line later, stamped with its beat's own time.
    session.at.beat = 1.5;
    doc.editor.seqCursorRow = 8;
    session.Play(true, nowNs);
    const std::int64_t barNs = nowNs + 1200 * kMs;
    RunFor(1450 * kMs);
    EXPECT_EQ(NoteOns(barNs), (std::vector<std::string>{"8@0.000", "9@120.0", "10@240.0"}));

    // The session goes to 150 BPM at a line's start: from it, 100 ms lines, on its beats.
    const double nextLineBeat = std::ceil(session.BeatAt(nowNs) * 4) / 4;
    const std::int64_t changeNs =
        session.at.atNs + std::llround((nextLineBeat - session.at.beat) * 60e9 / session.at.bpm);
    RunFor(changeNs - nowNs - 10 * kMs);
    t.midi.Clear();
    session.at.beat = session.BeatAt(nowNs);  // the beat stays where it is, as in Link
    session.at.atNs = nowNs;
    session.at.bpm = 150;
    const std::int64_t lineNs = nowNs + std::llround((nextLineBeat - session.at.beat) * 400 * kMs);
    RunFor(250 * kMs);
    EXPECT_EQ(NoteOns(lineNs), (std::vector<std::string>{"11@0.000", "12@100.0", "13@200.0"}));
    EXPECT_EQ(doc.song.lineDuration, 166) << "the song's tempo is never written";

    // The session stops: so does the player, every note released.
    session.Play(false, nowNs);
    RunFor(4 * kMs);
    EXPECT_FALSE(doc.player.isPlaying);
    EXPECT_EQ(Notes(0x80).size(), Notes(0x90).size());

    // It starts again: from the cursor's row, now the first, at the next bar.
    t.midi.Clear();
    doc.editor.seqCursorRow = 0;
    session.Play(true, nowNs);
    const double barBeat = std::ceil(session.BeatAt(nowNs) / 4) * 4;
    const std::int64_t nextBarNs =
        session.at.atNs + std::llround((barBeat - session.at.beat) * 400 * kMs);
    RunFor(nextBarNs - nowNs + 250 * kMs);
    EXPECT_EQ(NoteOns(nextBarNs), (std::vector<std::string>{"0@0.000", "1@100.0", "2@200.0"}));
}

TEST_F(LinkFollow, PeersAreShownAndTheLastOneLeavingIsSaidOnceWhilePlayGoesOn) {
    session.Play(true, nowNs);
    RunFor(10 * kMs);
    UiEvents();
    session.at.peers = 1;
    RunFor(4 * kMs);
    EXPECT_THAT(UiEvents(), Contains("tempo source:Ableton Link: 1 peer:followed:shared").Times(1));
    session.at.peers = 0;
    RunFor(2000 * kMs);
    EXPECT_THAT(UiEvents(), Contains("status:Ableton Link lost: holding 125 BPM").Times(1));
    EXPECT_TRUE(doc.player.isPlaying) << "the session's timeline goes on without peers";
    EXPECT_GT(NoteOns(0).size(), 10u);
}

TEST_F(LinkFollow, PlayStopAndATypedTempoGoToTheSessionOnlyWhileFollowingIt) {
    lock.unlock();  // the window's commands take the lock themselves
    EXPECT_TRUE(doc.StartSharedTransport());
    EXPECT_TRUE(doc.SetSharedTempo(140));
    EXPECT_TRUE(doc.StopSharedTransport());
    EXPECT_EQ(session.proposed, (std::vector<std::string>{"play", "tempo 140", "stop"}));

    doc.SetTempoSource(TempoSource::kInternal);
    EXPECT_FALSE(doc.StartSharedTransport());
    EXPECT_FALSE(doc.SetSharedTempo(100));
    EXPECT_EQ(session.proposed.size(), 3u);
}

}  // namespace
}  // namespace tarvel

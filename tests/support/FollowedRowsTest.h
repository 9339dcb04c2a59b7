// A fixture for following another player's timeline on recording devices: a song whose row r
// plays note 36 + r % 16 (one line a pattern), simulated 2 ms ticks, and the note-ons written as
// "row@ms" after a moment, so rows and due times can be checked against the timeline.
#pragma once

#include <string>
#include <vector>

#include "support/DenseSong.h"
#include "support/DocumentTest.h"

namespace tarvel::testing {

class FollowedRowsTest : public DocumentTest {
  protected:
    static constexpr std::int64_t kMs = 1'000'000;
    static constexpr std::int64_t kBaseNs = 1'000'000'000;

    // Caller holds the document. `bpm`: the song's own tempo.
    void WriteRowNamingSong(int bpm, int rows = 64) {
        doc.SetBpm(bpm);
        testing::WriteRowNamingSong(doc, rows);
        t.midi.Clear();
    }
    void RunFor(std::int64_t ns) {
        for (const std::int64_t end = nowNs + ns; nowNs < end; nowNs += 2 * kMs) {
            t.midi.SetStamp(nowNs);
            doc.PlayerTick(nowNs);
        }
    }
    // The note-ons (0x90) or note-offs (0x80) device 0 got.
    std::vector<RecordedMessage> Notes(int type) const {
        std::vector<RecordedMessage> notes;
        for (const RecordedMessage& m : t.midi.Messages())
            if (m.device == 0 && (m.bytes[0] & 0xF0) == type) notes.push_back(m);
        return notes;
    }
    // "row@ms after `fromNs`" of each note-on on device 0, each sent before it was due.
    std::vector<std::string> NoteOns(std::int64_t fromNs) const {
        std::vector<std::string> got;
        for (const RecordedMessage& m : Notes(0x90)) {
            EXPECT_LE(m.stamp, m.dueNs) << "row " << m.bytes[1] - 36 << " sent late";
            got.push_back(std::to_string(m.bytes[1] - 36) + "@" +
                          std::to_string((m.dueNs - fromNs) / 100'000 / 10.0).substr(0, 5));
        }
        return got;
    }
    std::int64_t nowNs = kBaseNs;
};

}  // namespace tarvel::testing

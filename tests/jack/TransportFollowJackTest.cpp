// Following JACK's transport on a private server, heard at a monitor: our own Play and Stop lead
// it; another client locates and starts it, and the located row's note comes a constant time
// after the first cycle that rolled, whichever row; a stop releases every note.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/JackClockRig.h"

namespace tarvel {
namespace {

constexpr int kFramesPerLine = 5760;  // 120 ms at 48 kHz: the song's 125 BPM

// First our own Play and Stop, while we are the timebase master (none other runs): the transport
// rolls from the cursor row's frame with our tempo and beats. Then another client locates and
// starts it.
TEST(TransportFollowJack, PlayAndStopLeadTheTransportAndALocatedRowSoundsAConstantTimeAfter) {
    testing::JackClockRig rig(128, /*transport=*/true);
    if (!rig.failure().empty()) GTEST_SKIP() << rig.failure();
    testing::Locked(rig.doc(), [&] {
        rig.doc().SetBpm(125);
        rig.doc().editor.seqCursorRow = 8;
    });
    const auto wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    wait(50);  // the tempo offered
    ASSERT_TRUE(rig.doc().StartSharedTransport());
    wait(400);
    EXPECT_EQ(rig.master().RolledFrom(), 8 * kFramesPerLine);
    EXPECT_DOUBLE_EQ(rig.master().RolledBpm(), 125);
    EXPECT_NEAR(rig.master().RolledBeats(), 2.0, 1e-6) << "row 8: the third beat of bar 1";
    ASSERT_TRUE(rig.doc().StopSharedTransport());
    wait(200);
    std::vector<testing::StampedMessage> ons = rig.Notes(true);
    ASSERT_GE(ons.size(), 3u);
    EXPECT_EQ(rig.Notes(false).size(), ons.size()) << "a note left sounding";

    std::vector<std::int64_t> latency;
    const int xrunsBefore = rig.Xruns();
    for (const int row : {16, 40}) {
        const std::size_t before = ons.size();
        rig.master().LocateTransport(std::int64_t{row} * kFramesPerLine);
        wait(100);
        rig.master().StartTransport();
        wait(400);
        rig.master().StopTransport();
        wait(200);
        ons = rig.Notes(true);
        ASSERT_GT(ons.size(), before + 2) << "xruns: " << rig.Xruns();
        EXPECT_EQ(rig.master().RolledFrom(), std::int64_t{row} * kFramesPerLine);
        EXPECT_EQ(ons[before].bytes[1], 36 + row % 16) << "row " << row;
        latency.push_back(ons[before].frame - rig.master().RolledAt());
        EXPECT_EQ(rig.Notes(false).size(), ons.size()) << "a note left sounding";
    }
    // A late period (an xrun) moves the dummy server's frame clock against the system's, which
    // no client can make up for: then only the rows are checked.
    if (rig.Xruns() == xrunsBefore) {
        EXPECT_NEAR(static_cast<double>(latency[0]), static_cast<double>(latency[1]), 12)
            << "0.25 ms at 48 kHz";
    }
}

}  // namespace
}  // namespace tarvel

// The real 2 ms clock: the timer thread itself, the document's clock, and the two threads
// working on one document.
#include <gtest/gtest.h>

#include <gmock/gmock.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// Records when each call came; one chosen call stalls the thread.
struct CallLog {
    std::vector<std::int64_t> times = std::vector<std::int64_t>(400);
    std::atomic<int> count{0};
    int stallAt = 5;
    std::chrono::milliseconds stall{0};

    static void Record(void* context, std::int64_t /*deadlineNs*/) {
        CallLog& log = *static_cast<CallLog*>(context);
        const int index = log.count.load();
        if (index >= static_cast<int>(log.times.size())) return;
        log.times[static_cast<std::size_t>(index)] = PeriodicTimer::MonotonicNowNs();
        log.count.store(index + 1);
        if (index == log.stallAt) std::this_thread::sleep_for(log.stall);
    }
    void WaitFor(int calls) const {
        for (int waited = 0; count.load() < calls && waited < 10000; ++waited)
            std::this_thread::sleep_for(1ms);
    }
};

TEST(PeriodicTimer, CatchesUpAShortStall) {
    CallLog log;
    log.stall = 30ms;
    PeriodicTimer timer;
    ASSERT_TRUE(timer.Start(2'000'000, &CallLog::Record, &log));
    EXPECT_FALSE(timer.Start(2'000'000, &CallLog::Record, &log));  // already running
    log.WaitFor(40);
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    // The 15 calls missed during the stall come at once, so the count keeps wall-clock time.
    EXPECT_LT(log.times[19] - log.times[6], 10'000'000);
    EXPECT_EQ(timer.SkippedCalls(), 0);
}

TEST(PeriodicTimer, ResynchronisesAfterALongStallInsteadOfBursting) {
    CallLog log;
    log.stall = 250ms;
    PeriodicTimer timer;
    ASSERT_TRUE(timer.Start(2'000'000, &CallLog::Record, &log));
    log.WaitFor(10);
    timer.Stop();
    EXPECT_GT(log.times[7] - log.times[6], 1'000'000);
    EXPECT_GE(timer.SkippedCalls(), 100);
}

TEST(PlayerClock, PlaysTheDocumentUntilCloseStopsItBeforeReleasingTheNotes) {
    testing::TestDocument t(1, DocOptions{.startTimer = true});
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        EXPECT_NE(doc.player.timerId, 0u);
        doc.song.patterns[0].lineCount = 1;
        doc.song.patterns[0].cells[0][0] = {60, 100, kNoCommand, 0};
        doc.StartPlayback(kPatternMode);
    }
    for (int waited = 0; waited < 10000; ++waited) {
        {
            std::lock_guard lock(doc.mutex);
            if (doc.player.playWatch >= 300) break;
        }
        std::this_thread::sleep_for(1ms);
    }
    doc.CloseMidiPorts();
    std::int32_t watch;
    {
        std::lock_guard lock(doc.mutex);
        EXPECT_FALSE(doc.player.isPlaying);
        EXPECT_EQ(doc.player.timerId, 0u);
        watch = doc.player.playWatch;
    }
    EXPECT_GE(watch, 300);
    const std::vector<std::string> sent = t.TakeSent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent.back(), "80 3c 64@0");
    std::this_thread::sleep_for(20ms);
    std::lock_guard lock(doc.mutex);
    EXPECT_EQ(doc.player.playWatch, watch);
    EXPECT_TRUE(t.ui.Messages().empty());
}

// A thread cannot be made once the address space is nearly exhausted: the document says so and
// goes on without a player. Runs in a fresh child process so no cached thread stack is reused.
void StartDocumentWithoutRoomForAThread() {
    testing::RecordingUi ui;
    RecordingMidiOut midi(1);
    void* storage = ::operator new(sizeof(CFennoralDoc));
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * 4096 + (1 << 20);  // no room for a stack
    const rlimit addressSpace{limit, limit};
    if (pages == 0 || setrlimit(RLIMIT_AS, &addressSpace) != 0) std::_Exit(2);

    auto* doc = new (storage) CFennoralDoc(ui, midi, DocOptions{.startTimer = true});
    std::lock_guard lock(doc->mutex);
    doc->StartPlayback(kSongMode);  // play commands still change the state
    const bool ok =
        doc->player.timerId == 0 && doc->player.isPlaying &&
        ui.Events() ==
            std::vector<std::string>{"message:error:Fatal error:Failed to create timer!"} &&
        !ui.Messages()[0].ownedByFrame;
    std::_Exit(ok ? 0 : 1);
}

TEST(PlayerClockDeathTest, ATimerThatCannotStartIsReportedAndTheProgramGoesOn) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers reserve more address space than the limit leaves";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(StartDocumentWithoutRoomForAThread(), ::testing::ExitedWithCode(0), "");
}

// The real clock plays a dense song while this thread does what the window thread does.
TEST(PlayerStress, TheClockPlaysWhileTheWindowThreadEdits) {
    testing::RecordingUi ui;
    RecordingMidiOut midi(2, 1 << 20);
    auto doc = std::make_unique<CFennoralDoc>(ui, midi, DocOptions{.startTimer = true});
    {
        std::lock_guard lock(doc->mutex);
        FillDenseSong(*doc, testing::Density::EveryCommand);
        doc->player.editorWindowKnown = true;
        doc->StartPlayback(kSongMode);
    }
    std::mt19937 random(7);
    const auto byte = [&random] { return static_cast<std::uint8_t>(random()); };
    const auto within = [&random](int low, int high) {
        return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
    };
    const auto end = std::chrono::steady_clock::now() + 3s;
    for (int edit = 0; std::chrono::steady_clock::now() < end; ++edit) {
        {
            std::lock_guard lock(doc->mutex);
            Song& song = doc->song;
            EditorState& editor = doc->editor;
            switch (random() % 10) {
                case 0:
                    song.patterns[within(0, 15)].cells[within(0, 255)][within(0, 15)] = {
                        byte(), byte(), byte(), byte()};
                    break;
                case 1:
                    song.sequence[within(0, 300)][within(0, 15)] = {
                        byte(), static_cast<std::int8_t>(byte()), 0};
                    break;
                case 2:
                    doc->SetPatternLineCount(within(0, 15), within(-5, 300));
                    break;
                case 3:
                    if (random() % 8 == 0)
                        song.lineDuration = within(-2, 200);
                    else
                        doc->SetBpm(within(20, 600));
                    doc->ShowBpm();
                    break;
                case 4:
                    if (random() % 300 == 0) doc->ResetSong();
                    break;
                case 5:
                    doc->StartPlayback(within(0, 1));
                    break;
                case 6:
                    if (random() % 4 == 0) doc->StopPlayback();
                    break;
                case 7:
                    editor.currentPattern = within(0, 127);
                    editor.currentChannel = within(0, 15);
                    break;
                case 8:
                    editor.seqCursorRow = within(-100, 20000);
                    editor.loopStartRow = within(-10, 300);
                    editor.loopEndRow = within(-10, 20000);
                    if (random() % 2)
                        doc->SeekStart();
                    else
                        doc->SeekEnd();
                    break;
                default:
                    doc->NoteOn(editor.currentChannel, within(0, 15), within(0, 127), 100);
                    break;
            }
        }
        if (edit % 16 == 0) doc->DispatchUiSignals();
        std::this_thread::sleep_for(100us);
    }
    doc->CloseMidiPorts();
    for (const auto& channel : doc->song.soundingNote)
        for (std::int32_t note : channel) EXPECT_EQ(note, -1);
    EXPECT_GT(midi.Messages().size(), 1000u);
}

}  // namespace
}  // namespace tarvel

// The real 2 ms clock: the timer thread itself, the document's clock, and the two threads
// working on one document.
#include <gmock/gmock.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include "document/DocumentMidiInput.h"
#include "document/UndoableEdits.h"
#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using ::testing::Each;

// Records when each call came; the sixth call stalls the thread.
struct CallLog {
    std::vector<std::int64_t> times = std::vector<std::int64_t>(400);
    std::atomic<int> count{0};
    std::chrono::milliseconds stall{0};

    static void Record(void* context, std::int64_t /*deadlineNs*/) {
        CallLog& log = *static_cast<CallLog*>(context);
        const int index = log.count.load();
        if (index >= static_cast<int>(log.times.size())) return;
        log.times[static_cast<std::size_t>(index)] = PeriodicTimer::MonotonicNowNs();
        log.count.store(index + 1);
        if (index == 5) std::this_thread::sleep_for(log.stall);
    }
};

TEST(PeriodicTimer, CatchesUpAShortStallAndResynchronisesAfterALongOne) {
    for (const auto stall : {30ms, 250ms}) {
        CallLog log{.stall = stall};
        PeriodicTimer timer;
        ASSERT_TRUE(timer.Start(2'000'000, &CallLog::Record, &log));
        EXPECT_FALSE(timer.Start(2'000'000, &CallLog::Record, &log));  // already running
        for (int waited = 0; log.count.load() < 40 && waited < 10000; ++waited)
            std::this_thread::sleep_for(1ms);
        timer.Stop();
        if (stall == 30ms) {
            // The 15 calls missed come at once, so the count keeps wall-clock time.
            EXPECT_LT(log.times[19] - log.times[6], 10'000'000);
            EXPECT_EQ(timer.SkippedCalls(), 0);
        } else {
            EXPECT_GT(log.times[7] - log.times[6], 1'000'000);  // no burst
            EXPECT_GE(timer.SkippedCalls(), 100);
        }
    }
}

// Sleeps truly until the count runs out, then until a time before the monotonic clock's start,
// which no system sleeps until (Windows sleeps relative to now: there the failure is made up).
// The shortest step between the deadlines slept until is the clock's period.
std::atomic<int> goodSleepsLeft{0};
std::atomic<std::int64_t> lastDeadlineNs{0}, shortestStepNs{INT64_MAX};
const char* SleepThenFail(std::int64_t deadlineNs) noexcept {
    if (goodSleepsLeft.fetch_sub(1) > 0) {
        const std::int64_t stepNs = deadlineNs - lastDeadlineNs.exchange(deadlineNs);
        if (stepNs < shortestStepNs) shortestStepNs = stepNs;
        return SystemClockCalls().sleepUntil(deadlineNs);
    }
#ifdef _WIN32
    return "the system refused the sleep until the next tick (invalid argument)";
#else
    return SystemClockCalls().sleepUntil(-10'000'000);
#endif
}

// A sleep the system refuses stops the clock at once, never turning it into a spin that plays a
// song thousands of times too fast; the document hears of it on the window thread: the player
// stops, every note is released, and the user is told why, once.
TEST(PlayerClock, ASleepTheSystemRefusesStopsTheClockAndThePlayerAndIsReportedOnce) {
    goodSleepsLeft = 50;
    testing::TestDocument t(
        1, {.startTimer = true, .clockCalls = {&PeriodicTimer::MonotonicNowNs, &SleepThenFail}});
    CFennoralDoc& doc = *t.doc;
    testing::Locked(doc, [&] {
        FillDenseSong(doc, testing::Density::ControllersAndNotes);
        doc.StartPlayback(kSongMode);
    });
    for (int waited = 0; t.ui.Messages().empty() && waited < 5000; ++waited) {
        std::this_thread::sleep_for(1ms);
        doc.DispatchUiSignals();
    }
    std::this_thread::sleep_for(20ms);  // a spinning clock would tick and fail on meanwhile
    doc.DispatchUiSignals();
    ASSERT_EQ(t.ui.Messages().size(), 1u);
    EXPECT_EQ(t.ui.Messages()[0].icon, MessageIcon::Error);
    EXPECT_EQ(t.ui.Messages()[0].text,
              "The player's clock stopped: the system refused the sleep until the next tick "
              "(invalid argument).");
    std::lock_guard lock(doc.mutex);
    EXPECT_EQ(std::tuple(doc.player.isPlaying, doc.player.timerId), std::tuple(0, 0u));
    EXPECT_LE(doc.player.playWatch, 2 * 50) << "ticks after the failure";
    EXPECT_EQ(shortestStepNs, 2'000'000);
    EXPECT_THAT(doc.song.soundingNote, Each(Each(-1)));
}

#ifndef _WIN32
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
#endif

TEST(PlayerClockDeathTest, ATimerThatCannotStartIsReportedAndTheProgramGoesOn) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers reserve more address space than the limit leaves";
#endif
#ifdef _WIN32
    GTEST_SKIP() << "the address space is limited by setrlimit, which Windows lacks";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(StartDocumentWithoutRoomForAThread(), ::testing::ExitedWithCode(0), "");
#endif
}

// The one stress test of the lock: the real clock plays a dense song while this thread does
// what the window thread does, at random, with undo and redo, and a MIDI input plays and records
// on a thread of its own (ThreadSanitizer builds see any unguarded access). Closing the ports
// stops the clock before it releases the notes.
TEST(PlayerStress, TheClockPlaysWhileTheWindowEditsAndAnInputPlaysUntilCloseStopsIt) {
    testing::RecordingUi ui;
    RecordingMidiOut midi(2, 1 << 20);
    auto doc = std::make_unique<CFennoralDoc>(ui, midi, DocOptions{.startTimer = true});
    {
        std::lock_guard lock(doc->mutex);
        FillDenseSong(*doc, testing::Density::EveryCommand);
        doc->player.editorWindowKnown = true;
        doc->editor.recordMode = 1;
        doc->StartPlayback(kSongMode);
    }
    std::atomic<bool> done{false};
    DocumentMidiInput input(*doc);
    std::thread keyboard([&] {
        for (int i = 0; !done; ++i) {
            const auto note = static_cast<std::uint8_t>(36 + i % 48);
            input.ReceiveMidi({0x90, note, 90});
            input.ReceiveMidi({0xB0, 1, static_cast<std::uint8_t>(i & 0x7F)});
            if (i % 3) input.ReceiveMidi({0x80, note, 0});
            std::this_thread::sleep_for(50us);
        }
    });
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
            song.patterns[within(0, 15)].cells[within(0, 255)][within(0, 15)] = {byte(), byte(),
                                                                                 byte(), byte()};
            song.sequence[within(0, 300)][within(0, 15)] = {byte(), 12, 0};
            doc->SetPatternLineCount(within(0, 15), within(-5, 300));
            doc->SetBpm(within(20, 600));
            if (random() % 16 == 0) song.lineDuration = within(-2, 200);
            doc->ShowBpm();
            editor.currentPattern = within(0, 127);
            editor.currentChannel = within(0, 15);
            doc->NoteOn(editor.currentChannel, within(0, 15), within(0, 127), 100);
            editor.seqCursorRow = within(-100, 20000);
            editor.loopStartRow = within(-10, 300);
            editor.loopEndRow = within(-10, 20000);
            if (random() % 2) doc->SeekStart();
            if (random() % 2) doc->SeekEnd();
            if (random() % 8 == 0) doc->StartPlayback(within(0, 1) ? kPatternMode : kSongMode);
            if (random() % 32 == 0) doc->StopPlayback();
            if (random() % 300 == 0) doc->ResetSong();
        }
        // Undoable edits and their undo and redo take the lock themselves.
        if (edit % 4 == 0) KeyDownAsEdit(*doc, {"QZ7"[edit % 3], 0}, false);
        if (edit % 8 == 1) doc->Undo();
        if (edit % 8 == 5) doc->Redo();
        if (edit % 16 == 0) doc->DispatchUiSignals();
        std::this_thread::sleep_for(100us);
    }
    done = true;
    keyboard.join();
    doc->CloseMidiPorts();
    EXPECT_EQ(std::tuple(doc->player.isPlaying, doc->player.timerId), std::tuple(0, 0u));
    EXPECT_THAT(doc->song.soundingNote, Each(Each(-1)));
    EXPECT_GT(midi.Messages().size(), 1000u);
    testing::Locked(*doc, [&] { doc->StartPlayback(kSongMode); });  // with no clock to play it
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(doc->player.playWatch, 0);
}

}  // namespace
}  // namespace tarvel

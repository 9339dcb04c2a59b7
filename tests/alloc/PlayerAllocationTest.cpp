// Playing must never allocate: every operator new in this executable is counted while a song
// plays, on the test thread or on the real timer thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>

#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

// Out of operator new's body: GCC, seeing malloc inside an inlined new, would call the free in
// delete a mismatch (-Wmismatched-new-delete).
void* Allocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}

}  // namespace

// The other forms of new and delete come down to these.
void* operator new(std::size_t size) {
    return Allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using testing::Density;

// 10,000 ticks are about 167 lines of 16 tracks x 16 cells, a few messages each.
constexpr std::size_t kRecorderCapacity = 1 << 20;

template <typename Work>
long AllocationsWhile(Work work) {
    allocations = 0;
    counting = true;
    work();
    counting = false;
    return allocations.load();
}

// Ticks driven here; then the real timer thread's while a MIDI input's thread plays through,
// records (at the cursor in song mode, at the line played in pattern mode) and sweeps a
// controller. In live mode, launches and mutes queued between ticks, and the input's notes
// launching patterns, all recorded.
TEST(PlayerAllocation, PlayingADenseSongAndAnInputAllocateNothingInEitherMode) {
    ASSERT_EQ(AllocationsWhile([] { delete new int(1); }), 1);  // the counter counts
    for (const auto& [mode, live] :
         {std::pair{kSongMode, false}, {kPatternMode, false}, {kSongMode, true}}) {
        testing::RecordingUi ui;
        RecordingMidiOut midi(4, kRecorderCapacity);
        auto doc = std::make_unique<CFennoralDoc>(ui, midi, DocOptions{.startTimer = true});
        std::unique_lock lock(doc->mutex);
        FillDenseSong(*doc, Density::EveryCommand);
        doc->player.editorWindowKnown = true;
        doc->editor.recordMode = 1;
        doc->inputRecording.recordVelocity = 1;
        doc->SetSendsClock(1, true);
        doc->engine.SetLiveMode(live);
        doc->player.live.recordArrangement = 1;
        doc->StartPlayback(mode);
        midi.Clear();
        EXPECT_EQ(AllocationsWhile([&] {
                      for (int tick = 0; tick < 10000; ++tick) {
                          if (live && tick % 97 == 0) {
                              doc->engine.QueueLaunch(tick % 16, tick % 128, 0, tick % 64);
                              doc->engine.QueueMuteFlip((tick + 5) % 16);
                              doc->player.live.boundary = tick % 2 ? kAtNextBar : kAtPatternEnd;
                          }
                          doc->PlayerTick(tick + 1);
                      }
                  }),
                  0);
        EXPECT_GT(midi.Messages().size(), 10000u) << "the song should have kept the player busy";
        const std::int32_t watch = doc->player.playWatch;
        lock.unlock();
        EXPECT_EQ(AllocationsWhile([&] {
                      const auto start = std::chrono::steady_clock::now();
                      for (int i = 0; std::chrono::steady_clock::now() - start < 500ms; ++i) {
                          const auto note = static_cast<std::uint8_t>(i % 128);
                          doc->ReceiveMidi({0x90, note, 100});
                          doc->ReceiveMidi({0xB0, 1, static_cast<std::uint8_t>(i % 128)});
                          doc->ReceiveMidi({0xE0, 0, static_cast<std::uint8_t>(i % 128)});
                          doc->ReceiveMidi({0x80, note, 0});
                          std::this_thread::sleep_for(100us);
                      }
                  }),
                  0);
        lock.lock();
        EXPECT_GT(doc->player.playWatch - watch, 250);
        if (live)
            EXPECT_GT(doc->player.live.startCount, 0) << "launches should have started";
        else
            EXPECT_EQ(doc->inputRecording.overflowed, 1) << "more notes than are kept for undo";
    }
}

}  // namespace
}  // namespace tarvel

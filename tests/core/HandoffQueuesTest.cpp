// The lock-free queues between the threads that never wait and those that may: what one side
// puts in comes out on the other in order, and a full queue never loses a note-off.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/MidiHandoffQueue.h"
#include "platform/MidiInQueue.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<Bytes> DrainAll(MidiHandoffQueue& queue) {
    std::vector<Bytes> out;
    queue.Drain(
        [&](const std::uint8_t* bytes, int length) { out.emplace_back(bytes, bytes + length); });
    return out;
}

// Full: controllers and note-ons are dropped and counted, note-offs and All Notes Off wait and
// come after everything queued before them, and then the queue takes messages again.
TEST(MidiHandoffQueue, AFullQueueDropsAllButWhatEndsNotes) {
    MidiHandoffQueue queue;
    // Push's result only repeats the count: nothing reads it.
    const auto push = [&](const std::vector<Bytes>& messages) {
        for (const Bytes& m : messages) queue.Push(m.data(), int(m.size()));
    };
    std::vector<Bytes> queued(MidiHandoffQueue::kCapacity, {0x90, 60, 100});
    push(queued);
    push({{0xB1, 7, 90}, {0x82, 64, 0x64}, {0x93, 65, 0}, {0xB4, 123, 0}, {0x90, 60, 100}});
    EXPECT_EQ(queue.Dropped(), 2u);
    queued.insert(queued.end(), {{0x82, 64, 0x40}, {0x83, 65, 0x40}, {0xB4, 123, 0}});
    EXPECT_EQ(DrainAll(queue), queued);
    push({{0xB1, 7, 90}});
    EXPECT_EQ(DrainAll(queue), (std::vector<Bytes>{{0xB1, 7, 90}}));
}

// A sender and a slow synth thread at once, the queue overflowing again and again: once all is
// drained, no key the sender ended is still sounding at the synth.
TEST(MidiHandoffQueue, NoNoteOutlivesItsNoteOffUnderOverflow) {
    MidiHandoffQueue queue;
    std::array<bool, 128> sounding{};  // the consumer's
    std::atomic<bool> done{false};
    const auto play = [&](const std::uint8_t* bytes, int) {
        if (bytes[0] == 0x90 && bytes[2] > 0) sounding[bytes[1]] = true;
        if (bytes[0] == 0x80) sounding[bytes[1]] = false;
    };
    std::thread synth([&] {
        // Slow from the start: the first drain waits for the first overflow, so the queue
        // overflows however fast this thread would be (under a sanitizer it keeps up otherwise).
        while (queue.Dropped() == 0 && !done.load()) std::this_thread::yield();
        while (!done.load()) {
            queue.Drain(play);
            std::this_thread::yield();
        }
    });
    std::uint32_t random = 12345;
    for (int i = 0; i < 200'000; ++i) {
        random = random * 1664525 + 1013904223;
        const std::uint8_t key = static_cast<std::uint8_t>(random >> 25);
        const std::uint8_t on[3] = {0x90, key, 100};
        const std::uint8_t off[3] = {0x80, key, 0x64};
        queue.Push(on, 3);
        queue.Push(off, 3);
    }
    done = true;
    synth.join();
    queue.Drain(play);
    queue.Drain(play);  // a second pass ends an overflow the first found still busy
    for (int key = 0; key < 128; ++key) EXPECT_FALSE(sounding[key]) << "key " << key;
    EXPECT_GT(queue.Dropped(), 0u) << "the test should overflow the queue";
}

// Several input threads at once: each thread's messages come out in its own order, none lost
// while there is room; past the room they are counted.
TEST(MidiInQueue, EachInputsMessagesComeOutInTheirOrder) {
    MidiInQueue queue;
    constexpr int kThreads = 3;
    constexpr int kEach = 300;
    std::vector<std::thread> inputs;
    for (int t = 0; t < kThreads; ++t)
        inputs.emplace_back([&queue, t] {
            for (int i = 0; i < kEach; ++i)
                ASSERT_TRUE(queue.Push({static_cast<std::uint8_t>(0x90 + t),
                                        static_cast<std::uint8_t>(i & 0x7F),
                                        static_cast<std::uint8_t>(i >> 7)}));
        });
    for (std::thread& input : inputs) input.join();
    std::array<int, kThreads> next{};
    int taken = 0;
    queue.Drain([&](const MidiInMessage& m) {
        const int t = m.status - 0x90;
        EXPECT_EQ(m.data1 | m.data2 << 7, next[t]++);
        ++taken;
    });
    EXPECT_EQ(taken, kThreads * kEach);
    for (std::size_t i = 0; i < MidiInQueue::kCapacity; ++i) ASSERT_TRUE(queue.Push({0xF8, 0, 0}));
    EXPECT_FALSE(queue.Push({0xF8, 0, 0}));
    EXPECT_EQ(queue.Dropped(), 1u);
}

}  // namespace
}  // namespace tarvel

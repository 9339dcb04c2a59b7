// MIDI input messages that found the document busy, kept in arrival order until a thread that
// holds the lock plays them. Any number of input threads push at once (each RtMidi port has its
// own thread); one consumer at a time takes them (the document lock orders the consumers).
// A fixed ring with a sequence number per slot: nothing allocated, nobody waits.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/MidiIn.h"

namespace tarvel {

class MidiInQueue {
  public:
    static constexpr std::size_t kCapacity = 1024;  // a second of a dense cable, held up 50 ms

    MidiInQueue() {
        for (std::size_t i = 0; i < kCapacity; ++i)
            slots_[i].sequence.store(i, std::memory_order_relaxed);
    }

    // Any input thread. False when full: the message is lost, and counted.
    bool Push(const MidiInMessage& message) noexcept {
        std::size_t position = tail_.load(std::memory_order_relaxed);
        for (;;) {
            Slot& slot = slots_[position % kCapacity];
            const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
            if (sequence == position) {
                if (tail_.compare_exchange_weak(position, position + 1,
                                                std::memory_order_relaxed)) {
                    slot.message = message;
                    slot.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            } else if (sequence < position) {
                dropped_.fetch_add(1, std::memory_order_relaxed);
                return false;
            } else {
                position = tail_.load(std::memory_order_relaxed);
            }
        }
    }

    // The consumer: calls take(message) for each message in order, until none is complete.
    template <class Take>
    void Drain(Take&& take) {
        for (;;) {
            Slot& slot = slots_[head_ % kCapacity];
            if (slot.sequence.load(std::memory_order_acquire) != head_ + 1) return;
            const MidiInMessage message = slot.message;
            slot.sequence.store(head_ + kCapacity, std::memory_order_release);
            ++head_;
            take(message);
        }
    }

    // Any thread.
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    struct Slot {
        std::atomic<std::size_t> sequence;
        MidiInMessage message;
    };

    std::array<Slot, kCapacity> slots_;
    std::atomic<std::size_t> tail_{0};
    std::size_t head_ = 0;  // the consumer's; the lock that orders consumers guards it
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace tarvel

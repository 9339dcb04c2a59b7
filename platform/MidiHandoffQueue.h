// Short MIDI messages handed from the threads that must never wait (the 2 ms clock, MIDI input)
// to one thread that may (the built-in synth's, where a program change can load samples for
// milliseconds). A fixed ring: nothing is allocated, nobody waits.
//
// When the ring is full the queue overflows: from then on messages are dropped and counted,
// except note-offs and All Notes Off / All Sound Off, which are held as bits per channel and key
// and played once the consumer has emptied the ring. Since no note-on enters while overflowed,
// a held note-off can only end a note that started before it: no note is ever left sounding.
//
// Producer: one caller at a time (the document lock orders the senders). Consumer: one thread.
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace tarvel {

class MidiHandoffQueue {
  public:
    static constexpr std::size_t kCapacity = 4096;  // a dense tick on every channel, many times

    struct Message {
        std::uint8_t length;
        std::uint8_t bytes[3];
    };
    static_assert(sizeof(Message) == 4);
    static_assert(offsetof(Message, bytes) == 1);

    // Producer. False when the message was dropped (counted in Dropped()).
    bool Push(const std::uint8_t* bytes, int length) noexcept {
        if (length < 1 || length > 3) return false;
        const std::uint32_t state = state_.fetch_add(kBusy, std::memory_order_acq_rel);
        bool kept = (state & kOverflowed) == 0 && PushToRing(bytes, length);
        if (!kept) {
            state_.fetch_or(kOverflowed, std::memory_order_relaxed);
            kept = Hold(bytes, length);
            if (!kept) dropped_.fetch_add(1, std::memory_order_relaxed);
        }
        state_.fetch_sub(kBusy, std::memory_order_release);
        return kept;
    }

    // Consumer. Calls play(bytes, length) for each message in the order pushed, then for the
    // held ones once an overflow is over; returns how many were played.
    template <class Play>
    std::size_t Drain(Play&& play) {
        std::size_t played = DrainRing(play);
        if ((state_.load(std::memory_order_acquire) & kOverflowed) == 0) return played;
        // What was pushed before the overflow goes first. No producer pushes while it lasts; one
        // still inside Push (busy) makes the exchange fail, and the next Drain tries again.
        played += DrainRing(play);
        std::uint32_t expected = kOverflowed;
        if (!state_.compare_exchange_strong(expected, 0, std::memory_order_acq_rel)) return played;
        for (int channel = 0; channel < 16; ++channel) {
            const std::uint8_t status = static_cast<std::uint8_t>(0x80 | channel);
            for (int word = 0; word < 2; ++word) {
                std::uint64_t keys = heldNoteOffs_[channel][word].exchange(0);
                for (; keys; keys &= keys - 1, ++played) {
                    const std::uint8_t key =
                        static_cast<std::uint8_t>(word * 64 + std::countr_zero(keys));
                    const std::uint8_t noteOff[3] = {status, key, 0x40};
                    play(noteOff, 3);
                }
            }
        }
        const std::uint32_t silenced = heldSilence_.exchange(0);
        for (int channel = 0; channel < 16; ++channel) {
            if (!(silenced & (1u << channel))) continue;
            const std::uint8_t allNotesOff[3] = {static_cast<std::uint8_t>(0xB0 | channel), 123, 0};
            play(allNotesOff, 3);
            ++played;
        }
        return played;
    }

    // Any thread.
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    static constexpr std::uint32_t kOverflowed = 1;
    static constexpr std::uint32_t kBusy = 2;  // added while a producer is inside Push

    bool PushToRing(const std::uint8_t* bytes, int length) noexcept {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kCapacity) return false;
        Message& slot = ring_[tail % kCapacity];
        slot.length = static_cast<std::uint8_t>(length);
        for (int i = 0; i < 3; ++i) slot.bytes[i] = i < length ? bytes[i] : 0;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    template <class Play>
    std::size_t DrainRing(Play& play) {
        std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        const std::size_t played = tail - head;
        for (; head != tail; ++head) {
            const Message message = ring_[head % kCapacity];
            play(message.bytes, static_cast<int>(message.length));
            head_.store(head + 1, std::memory_order_release);  // room as soon as it is played
        }
        return played;
    }

    // A message that ends notes, kept as a bit; false for any other.
    bool Hold(const std::uint8_t* bytes, int length) noexcept {
        const int kind = bytes[0] & 0xF0;
        const int channel = bytes[0] & 0x0F;
        if (length == 3 && (kind == 0x80 || (kind == 0x90 && bytes[2] == 0))) {
            const int key = bytes[1] & 0x7F;
            heldNoteOffs_[channel][key / 64].fetch_or(std::uint64_t{1} << (key % 64),
                                                      std::memory_order_relaxed);
            return true;
        }
        if (length == 3 && kind == 0xB0 && (bytes[1] == 120 || bytes[1] == 123)) {
            heldSilence_.fetch_or(1u << channel, std::memory_order_relaxed);
            return true;
        }
        return false;
    }

    std::array<Message, kCapacity> ring_{};
    std::atomic<std::size_t> head_{0};  // written by the consumer
    std::atomic<std::size_t> tail_{0};  // written by the producer
    std::atomic<std::uint32_t> state_{0};
    std::atomic<std::uint64_t> heldNoteOffs_[16][2] = {};
    std::atomic<std::uint32_t> heldSilence_{0};
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace tarvel

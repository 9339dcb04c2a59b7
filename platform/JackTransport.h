// JACK's transport, read by a client of its own ("<name>-transport"): each process cycle
// publishes where the transport stands, and the player's clock reads the latest without waiting
// (a sequence-counted copy). Window thread for making and closing; see TransportClock for Read.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/TransportClock.h"

typedef struct _jack_client jack_client_t;

namespace tarvel {

class JackTransport final : public TransportClock {
  public:
    // Null when no JACK server runs; never starts one. `whyNot` says why.
    static std::unique_ptr<JackTransport> Connect(const std::string& clientName,
                                                  std::string& whyNot);
    ~JackTransport() override;  // blocks until the process cycle has stopped
    JackTransport(const JackTransport&) = delete;
    JackTransport& operator=(const JackTransport&) = delete;

    bool Read(TransportPosition& position) const noexcept override;
    void OfferTempo(double bpm) noexcept override { bpm_.store(bpm, std::memory_order_relaxed); }
    void StartAt(std::int64_t frame) override;
    void Stop() override;

  private:
    explicit JackTransport(jack_client_t* client) : client_(client) {}
    static int Process(std::uint32_t frames, void* self);  // JACK's process thread
    static void ServerGone(void* self);
    // Process thread, while no other client is the timebase master: bar, beat and tick at the
    // offered tempo, four beats a bar.
    static void Timebase(int state, std::uint32_t frames, void* position, int newPosition,
                         void* self);
    void Publish(const TransportPosition& position) noexcept;

    jack_client_t* client_;
    // Odd while the process thread writes; a reader that sees it change copies again.
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<std::uint64_t> words_[sizeof(TransportPosition) / 8]{};
    std::atomic<bool> serverGone_{false};
    std::atomic<double> bpm_{0};
};

}  // namespace tarvel

// An in-memory MIDI output for tests: every message sent to an open device is kept with the
// device number and the stamp in force when it was sent (tests stamp with the tick number).
#pragma once

#include <bitset>
#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "platform/MidiOut.h"

namespace tarvel {

struct RecordedMessage {
    int device;
    std::uint8_t bytes[3];
    int length;
    std::int64_t stamp;
    std::int64_t dueNs = 0;  // the due time the engine gave for it; 0 for "now"
};

class RecordingMidiOut final : public MidiOutDriver {
  public:
    // capacity is reserved up front so that sends never allocate (the player must not).
    explicit RecordingMidiOut(int deviceCount = 1, std::size_t capacity = 1 << 16);

    void FailOpen(int device) { failingDevices_.insert(device); }
    void SetStamp(std::int64_t stamp);
    std::vector<RecordedMessage> Messages() const;
    void Clear();
    bool IsOpen(int device) const;

    int DeviceCount() override { return deviceCount_; }
    MidiOutCaps Describe(int device) override;
    bool Open(int device, std::string& whyNot) override;
    void Close(int device) noexcept override;
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;
    void SetDueTime(std::int64_t dueNs) noexcept override;
    // Window thread, as the synth's loading of samples is.
    void PreparePrograms(const std::bitset<128>& programs) override { prepared = programs; }

    std::bitset<128> prepared;  // the programs last made ready

  private:
    int deviceCount_;
    std::set<int> failingDevices_;
    mutable std::mutex mutex_;
    std::vector<bool> open_;
    std::vector<RecordedMessage> messages_;
    std::int64_t stamp_ = 0;
    std::int64_t dueNs_ = 0;
};

}  // namespace tarvel

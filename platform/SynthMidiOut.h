// The built-in General MIDI synth, so a new user hears music without any MIDI hardware. One
// device; it exists only if the SoundFont loads and an audio output opens: JACK when a server
// runs, else the desktop's sound server (PulseAudio or PipeWire through it), else ALSA.
//
// FluidSynth may take milliseconds inside a call (a program change loads that instrument's
// samples from a 140 MB file), so no sender ever calls it: Send only hands the message to a
// lock-free queue, and the synth thread of our own (Run) plays what arrives. The programs a song
// may select are made ready on that thread when the song comes (PreparePrograms), so even the
// synth's own notes do not wait for a load while playing.
#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/MidiHandoffQueue.h"
#include "platform/MidiOut.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace tarvel {

class SynthMidiOut final : public MidiOutDriver {
  public:
    static constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    static constexpr double kGain = 0.5;  // loud enough, with room for many voices at once
    static constexpr double kMaxGain = 10.0;

    // Window thread. `audioDrivers`: FluidSynth's names, tried in order.
    explicit SynthMidiOut(const std::string& soundFont = kDefaultSoundFont, double gain = kGain,
                          std::vector<std::string> audioDrivers = {"jack", "pulseaudio", "alsa"});
    ~SynthMidiOut() override;
    SynthMidiOut(const SynthMidiOut&) = delete;
    SynthMidiOut& operator=(const SynthMidiOut&) = delete;

    int DeviceCount() override { return synth_ ? 1 : 0; }
    MidiOutCaps Describe(int device) override;
    bool Open(int device, std::string& whyNot) override;
    void Close(int device) noexcept override;
    // Any sender: queued for the synth thread, never waits.
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;
    void PreparePrograms(const std::bitset<128>& programs) override;

    // Why there is no synth ("" when there is one).
    const std::string& Failure() const { return failure_; }
    // Window thread; waits for the synth thread to load it. Another SoundFont for the running
    // synth; on failure the old one stays and `whyNot` says why.
    bool ChangeSoundFont(const std::string& path, std::string& whyNot);
    // Any thread; clamped to 0..kMaxGain, taken up by the synth thread.
    void SetGain(double gain) noexcept;
    // Any thread. Messages dropped because the synth thread fell a whole queue behind (never a
    // note-off).
    std::uint64_t DroppedMessages() const { return queue_.Dropped(); }
    // Any thread. Whether the synth thread has made ready every program asked for so far.
    bool ProgramsReady() const { return preparedSerial_.load() == askedSerial_.load(); }

  private:
    // What the window thread asks of the synth thread; guarded by requestMutex_, which no
    // sender ever takes.
    struct Requests {
        std::optional<std::string> soundFont;
        bool soundFontDone = false;
        bool soundFontLoaded = false;
        std::optional<std::bitset<128>> programs;
        bool silence = false;
    };

    void Run();  // the synth thread
    void Wake() noexcept;
    void TakeRequests();                          // synth thread
    bool LoadSoundFont(const std::string& path);  // synth thread
    void HoldPrograms();                          // synth thread
    void ReleaseHolds();                          // synth thread
    void Shutdown() noexcept;

    std::string soundFont_;
    std::string audioDriver_;  // the one that opened
    std::string failure_;
    int fontId_ = -1;

    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_audio_driver_t* audio_ = nullptr;
    std::atomic<bool> open_{false};

    MidiHandoffQueue queue_;
    std::atomic<std::uint32_t> wake_{0};
    std::atomic<bool> stop_{false};
    std::atomic<double> gain_;
    double appliedGain_;  // synth thread

    std::mutex requestMutex_;
    std::condition_variable requestDone_;
    Requests requests_;
    std::atomic<std::uint64_t> askedSerial_{0};
    std::atomic<std::uint64_t> preparedSerial_{0};

    // Synth thread. Each program made ready is kept selected on a channel of its own beyond the
    // 16 that play (FluidSynth keeps a selected preset's samples loaded): held_[bank / 128 * 128
    // + program] is that channel, or -1.
    std::bitset<128> wanted_;
    std::array<std::int16_t, 256> held_;

    std::thread thread_;  // last: started when everything above is ready
};

}  // namespace tarvel

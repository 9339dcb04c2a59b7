#include "platform/SynthMidiOut.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/SynthMessages.h"

namespace tarvel {
namespace {

// The 16 channels that play, and room beyond them for the programs held ready.
constexpr int kPlayedChannels = 16;
constexpr int kSynthChannels = 256;
constexpr int kDrumBank = 128;

}  // namespace

SynthMidiOut::SynthMidiOut(const std::string& soundFont, double gain,
                           std::vector<std::string> audioDrivers)
    : soundFont_(soundFont), gain_(std::clamp(gain, 0.0, kMaxGain)), appliedGain_(gain_.load()) {
    held_.fill(-1);
    // A synth that cannot start simply contributes no device; its complaints stay quiet, and
    // Failure() says why for the window to show.
    SilenceSynthLog();

    settings_ = new_fluid_settings();
    if (!settings_) {
        failure_ = "the synthesizer could not be set up";
        return;
    }
    // Load samples only for the programs in use: the GM SoundFont is 140 MB on disk.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings_, "synth.midi-channels", kSynthChannels);
    fluid_settings_setnum(settings_, "synth.gain", appliedGain_);
    // On JACK the synth's outputs go to the system's playback ports by themselves.
    fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(settings_, "audio.jack.id", "Tarvel synth");

    synth_ = new_fluid_synth(settings_);
    if (synth_) fontId_ = fluid_synth_sfload(synth_, soundFont.c_str(), 1);
    if (!synth_ || fontId_ == FLUID_FAILED) {
        Shutdown();
        failure_ = "the SoundFont " + soundFont + " could not be loaded";
        return;
    }
    // JACK only answers when a server runs: no client of ours starts one.
    std::string tried;
    for (const std::string& driver : audioDrivers) {
        fluid_settings_setstr(settings_, "audio.driver", driver.c_str());
        audio_ = new_fluid_audio_driver(settings_, synth_);
        if (audio_) {
            audioDriver_ = driver;
            thread_ = std::thread(&SynthMidiOut::Run, this);
            return;
        }
        tried += (tried.empty() ? "" : ", ") + driver;
    }
    Shutdown();
    failure_ = "no audio output opened (tried " + tried + ")";
}

SynthMidiOut::~SynthMidiOut() {
    if (thread_.joinable()) {
        stop_.store(true, std::memory_order_release);
        Wake();
        thread_.join();
    }
    Shutdown();
}

void SynthMidiOut::Shutdown() noexcept {
    if (audio_) delete_fluid_audio_driver(audio_);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
    audio_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
    open_ = false;
}

void SynthMidiOut::Wake() noexcept {
    wake_.fetch_add(1, std::memory_order_release);
    wake_.notify_one();
}

// The synth thread: plays what the senders queued, then does what the window asked, and sleeps
// until woken again.
void SynthMidiOut::Run() {
    for (;;) {
        const std::uint32_t seen = wake_.load(std::memory_order_acquire);
        bool reset = false;
        queue_.Drain([&](const std::uint8_t* bytes, int length) {
            PlayOnSynth(synth_, bytes, length);
            reset = reset || bytes[0] == 0xFF;
        });
        if (reset) {
            // A system reset chose the default program on every channel, the held ones too.
            ReleaseHolds();
            HoldPrograms();
        }
        if (const double gain = gain_.load(); gain != appliedGain_) {
            fluid_synth_set_gain(synth_, static_cast<float>(gain));
            appliedGain_ = gain;
        }
        TakeRequests();
        if (stop_.load(std::memory_order_acquire)) return;
        wake_.wait(seen, std::memory_order_acquire);
    }
}

void SynthMidiOut::TakeRequests() {
    std::optional<std::string> soundFont;
    std::optional<std::bitset<128>> programs;
    std::uint64_t programsSerial = 0;
    bool silence = false;
    {
        std::lock_guard lock(requestMutex_);
        soundFont.swap(requests_.soundFont);
        programs.swap(requests_.programs);
        programsSerial = askedSerial_.load();
        std::swap(silence, requests_.silence);
    }
    if (silence) fluid_synth_all_sounds_off(synth_, -1);
    if (soundFont) {
        const bool loaded = LoadSoundFont(*soundFont);
        std::lock_guard lock(requestMutex_);
        requests_.soundFontDone = true;
        requests_.soundFontLoaded = loaded;
        requestDone_.notify_all();
    }
    if (programs) {
        wanted_ = *programs;
        HoldPrograms();
        preparedSerial_.store(programsSerial);
    }
}

bool SynthMidiOut::LoadSoundFont(const std::string& path) {
    const int id = fluid_synth_sfload(synth_, path.c_str(), 1);
    if (id == FLUID_FAILED) return false;
    // The new font sits on top of the stack; the old one goes, and every channel takes its
    // program again from the new one. The held programs come from the new font too.
    ReleaseHolds();
    fluid_synth_sfunload(synth_, fontId_, 1);
    fontId_ = id;
    HoldPrograms();
    return true;
}

void SynthMidiOut::HoldPrograms() {
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(synth_, fontId_);
    const auto wanted = [&](int index) {
        const int bank = index < 128 ? 0 : kDrumBank;
        return font && wanted_[static_cast<std::size_t>(index % 128)] &&
               fluid_sfont_get_preset(font, bank, index % 128) != nullptr;
    };
    std::bitset<kSynthChannels> used;
    for (std::int16_t channel : held_)
        if (channel >= 0) used.set(static_cast<std::size_t>(channel));
    // What is new first, then what is no longer wanted goes: a program wanted before and now
    // is never unloaded in between.
    int next = kPlayedChannels;
    for (int index = 0; index < static_cast<int>(held_.size()); ++index) {
        if (held_[static_cast<std::size_t>(index)] >= 0 || !wanted(index)) continue;
        while (next < kSynthChannels && used[static_cast<std::size_t>(next)]) ++next;
        if (next == kSynthChannels) break;  // more than the channels: the rest load when chosen
        if (fluid_synth_program_select(synth_, next, fontId_, index < 128 ? 0 : kDrumBank,
                                       index % 128) != FLUID_OK)
            continue;
        held_[static_cast<std::size_t>(index)] = static_cast<std::int16_t>(next);
        used.set(static_cast<std::size_t>(next));
    }
    for (int index = 0; index < static_cast<int>(held_.size()); ++index) {
        std::int16_t& channel = held_[static_cast<std::size_t>(index)];
        if (channel < 0 || wanted(index)) continue;
        fluid_synth_unset_program(synth_, channel);
        channel = -1;
    }
}

void SynthMidiOut::ReleaseHolds() {
    for (std::int16_t& channel : held_) {
        if (channel < 0) continue;
        fluid_synth_unset_program(synth_, channel);
        channel = -1;
    }
}

bool SynthMidiOut::ChangeSoundFont(const std::string& path, std::string& whyNot) {
    if (!synth_) {
        whyNot = "The built-in synthesizer is not running: " + failure_ + ".";
        return false;
    }
    std::unique_lock lock(requestMutex_);
    requests_.soundFont = path;
    requests_.soundFontDone = false;
    Wake();
    requestDone_.wait(lock, [this] { return requests_.soundFontDone; });
    if (!requests_.soundFontLoaded) {
        whyNot = "The SoundFont " + path + " could not be loaded; the old one stays.";
        return false;
    }
    soundFont_ = path;
    return true;
}

void SynthMidiOut::SetGain(double gain) noexcept {
    if (!synth_) return;
    gain_.store(std::clamp(gain, 0.0, kMaxGain));
    Wake();
}

void SynthMidiOut::PreparePrograms(const std::bitset<128>& programs) {
    if (!synth_) return;
    {
        std::lock_guard lock(requestMutex_);
        requests_.programs = programs;
        askedSerial_.fetch_add(1);
    }
    Wake();
}

MidiOutCaps SynthMidiOut::Describe(int device) {
    MidiOutCaps caps;
    if (device != 0 || !synth_) return caps;
    std::strncpy(caps.productName, "Tarvel GM Synth", sizeof caps.productName - 1);
    caps.driverVersion = FLUIDSYNTH_VERSION_MAJOR * 100 + FLUIDSYNTH_VERSION_MINOR;
    caps.voices = static_cast<std::uint16_t>(fluid_synth_get_polyphony(synth_));
    caps.support = 0x1;  // volume control
    std::snprintf(caps.details, sizeof caps.details,
                  "Port: built-in synthesizer\nAPI: FluidSynth %s, audio through %s\nSoundFont: "
                  "%s\nDropped, queue full: %llu",
                  fluid_version_str(), audioDriver_.c_str(), soundFont_.c_str(),
                  static_cast<unsigned long long>(queue_.Dropped()));
    return caps;
}

bool SynthMidiOut::Open(int device, std::string& whyNot) {
    if (device != 0 || !synth_) {
        whyNot = "the built-in synth did not start";
        return false;
    }
    open_ = true;
    return true;
}

void SynthMidiOut::Close(int device) noexcept {
    if (device != 0 || !synth_) return;
    open_ = false;
    {
        std::lock_guard lock(requestMutex_);
        requests_.silence = true;
    }
    Wake();
}

void SynthMidiOut::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    if (device != 0 || !open_.load(std::memory_order_relaxed)) return;
    queue_.Push(bytes, length);
    Wake();
}

}  // namespace tarvel

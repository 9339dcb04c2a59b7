#include "engine/OfflineRender.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>

#include "engine/Engine.h"

namespace tarvel {
namespace {

class NoWindow final : public WindowWaker {
  public:
    void WakeWindowThread() noexcept override {}
};

// The one device of a render: keeps every message with the time it was sent at.
class CaptureDevice final : public MidiOutDriver {
  public:
    explicit CaptureDevice(RenderedPass& pass) : pass_(pass) {}

    void SetTime(std::int32_t line, std::int32_t msInLine, std::int32_t ms) {
        line_ = line;
        msInLine_ = msInLine;
        ms_ = ms;
    }
    bool OutOfMemory() const { return outOfMemory_; }

    int DeviceCount() override { return 1; }
    MidiOutCaps Describe(int) override { return {}; }
    bool Open(int, std::string&) override { return true; }
    void Close(int) noexcept override {}
    void Send(int, const std::uint8_t* bytes, int length) noexcept override {
        RenderedMessage message{line_, msInLine_, ms_, {0, 0, 0}, 0};
        message.length = static_cast<std::uint8_t>(std::clamp(length, 0, 3));
        std::copy_n(bytes, message.length, message.bytes);
        try {
            pass_.messages.push_back(message);
        } catch (const std::bad_alloc&) {
            outOfMemory_ = true;
        }
    }

  private:
    RenderedPass& pass_;
    std::int32_t line_ = 0;
    std::int32_t msInLine_ = 0;
    std::int32_t ms_ = 0;
    bool outOfMemory_ = false;
};

// A player of its own: the song's copy and every record the engine works on.
class OfflinePlayer {
  public:
    OfflinePlayer(const Song& song, RenderedPass& pass) : song_(song), device_(pass) {
        ports_.handles[0] = &device_;
        ports_.deviceCount = 1;
    }

    // Song mode over `lines` lines, from the start.
    bool Run(const PlayerInputs& inputs, int lines, RenderedPass& pass, std::string& whyNot) {
        std::lock_guard lock(mutex_);
        // The copy's note table is the live song's: nothing of it sounds here.
        engine_.ResetNoteTracking();
        for (int channel = 0; channel < kTrackCount; ++channel) {
            song_.channelDevice[channel] = 0;
            pass.programs[channel] = song_.channelProgram[channel];
        }
        pass.messages.clear();
        pass.lineStarts.clear();
        engine_.StartPlayback(kSongMode, 0);
        for (int line = -1;;) {
            if (player_.lineClock == 0) {
                if (line + 1 == lines) break;
                pass.lineStarts.push_back(player_.playWatch);
                ++line;
            }
            if (player_.playWatch >= kLongestRenderMs) {
                whyNot = "the song plays longer than 3 hours; is its tempo damaged?";
                return false;
            }
            device_.SetTime(line, player_.lineClock, player_.playWatch);
            engine_.PlayerTick(inputs);
        }
        pass.lineStarts.push_back(player_.playWatch);
        device_.SetTime(lines, 0, player_.playWatch);
        engine_.StopPlayback();
        if (device_.OutOfMemory()) {
            whyNot = "not enough memory for the song's messages";
            return false;
        }
        return true;
    }

  private:
    Song song_;
    PlayerState player_{};
    MidiPortSet ports_{};
    DocumentMutex mutex_;
    NoWindow waker_;
    UiSignals signals_{waker_};
    CaptureDevice device_;
    Engine engine_{song_, player_, ports_, mutex_, signals_};
};

}  // namespace

bool RenderSongPass(const Song& song, int loopEndRow, RenderedPass& pass, std::string& whyNot) {
    const int rows = std::clamp(loopEndRow, 1, kSequenceRows);
    const PlayerInputs inputs{0, 0, 0, rows};
    return std::make_unique<OfflinePlayer>(song, pass)->Run(inputs, rows, pass, whyNot);
}

}  // namespace tarvel
